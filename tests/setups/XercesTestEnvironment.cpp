// The parser library is initialised once for the whole test run.
#include "descriptions/XercesSession.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class XercesEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        m_session = std::make_unique<CXercesSession>();
        ASSERT_TRUE(m_session->IsReady());
    }
    void TearDown() override { m_session.reset(); }

private:
    std::unique_ptr<CXercesSession> m_session;
};

[[maybe_unused]] ::testing::Environment* const kXerces =
    ::testing::AddGlobalTestEnvironment(new XercesEnvironment);

} // namespace
