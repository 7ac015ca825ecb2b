#include "frontend/SessionPageServices.h"

bool SessionPageServices::Connect(const std::string& expectedSerial) {
    return m_session.Started() && m_session.Reconnect(expectedSerial);
}

void SessionPageServices::Disconnect() {
    if (!m_session.Started())
        return;
    m_session.Disconnect();
    UpdateControls();
}
