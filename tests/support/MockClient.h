#pragma once

#include "support/ClientCalls.h"

#include <gmock/gmock.h>

namespace testing_support {

// A client whose every call a test scripts with gmock. Unscripted calls
// return success without touching their out-parameters.
class MockClient : public nw::Client {
public:
    MOCK_METHOD(void, watchCalls, (nw::CallWatcher * watcher), (override));
#define VORLANE_MOCKED(call, detail, params, args) MOCK_METHOD(nw::NWRCODE, call, params, (override));
    VORLANE_CLIENT_CALLS(VORLANE_MOCKED)
#undef VORLANE_MOCKED
};

} // namespace testing_support
