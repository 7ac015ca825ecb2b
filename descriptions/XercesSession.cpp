#include "descriptions/XercesSession.h"

#include "descriptions/XmlText.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

CXercesSession::CXercesSession() {
    try {
        xercesc::XMLPlatformUtils::Initialize();
        m_ready = true;
    } catch (const xercesc::XMLException& e) {
        m_error = L"XML initialisation failed: " + XmlToWide(e.getMessage());
    } catch (...) {
        m_error = L"XML initialisation failed.";
    }
}

CXercesSession::~CXercesSession() {
    if (m_ready) {
        xercesc::XMLPlatformUtils::Terminate();
    }
}
