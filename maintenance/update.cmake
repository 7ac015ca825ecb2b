# The update run (worker, status mailbox, GUI requests, closing report) and
# the release update, without widgets, so a command-line front end can drive
# them too; and the Update tab on top of them.
add_library(pellworth_update_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UpdateCodes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UpdateRun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StartReleaseUpdate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReleaseUpdate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UpdateTexts.cpp)
target_include_directories(pellworth_update_core PUBLIC ${PELLWORTH_ROOT})
target_link_libraries(pellworth_update_core PUBLIC pellworth_engine Threads::Threads)

if(PELLWORTH_GUI)
  add_library(pellworth_update_page STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CUpdate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CReleaseUpdatePromptDlg.cpp)
  target_link_libraries(pellworth_update_page PUBLIC pellworth_update_core Qt6::Widgets)
endif()
