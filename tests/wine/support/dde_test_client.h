// The harness's plain DDE client (dde_client.h) under the name the Windows tests use.
#pragma once

#include "dde_client.h"

namespace veskor::test {

using DdeTestConversation = DdeClient;

} // namespace veskor::test
