# The engineering tabs (shown with option d): the lookup table download and
# the register peek/poke/CSV page. What needs no widgets (the download run,
# the closing report, the hexadecimal rules, the CSV decoding and the result
# texts) is a core library of its own.
add_library(pellworth_engineering_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CLookupTableRun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CPeekPokeText.cpp)
target_include_directories(pellworth_engineering_core PUBLIC ${PELLWORTH_ROOT})
target_link_libraries(pellworth_engineering_core PUBLIC pellworth_engine Threads::Threads)

if(PELLWORTH_GUI)
  add_library(pellworth_engineering_pages STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CLookupTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPeekPoke.cpp)
  target_link_libraries(pellworth_engineering_pages PUBLIC pellworth_engineering_core Qt6::Widgets)
endif()
