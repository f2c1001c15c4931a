// Class identifiers of the test filter module (test_filters_module.cpp).
#pragma once

#include "com/guid.h"

namespace quorbel::testing {

inline constexpr com::CLSID kTestAsfParser = com::MakeGuid("{A0000001-0000-4000-8000-000000000001}");
inline constexpr com::CLSID kTestBackupParser = com::MakeGuid("{A0000001-0000-4000-8000-000000000002}");
inline constexpr com::CLSID kTestFailingParser = com::MakeGuid("{A0000001-0000-4000-8000-000000000003}");
inline constexpr com::CLSID kTestOtherParser = com::MakeGuid("{A0000001-0000-4000-8000-000000000004}");
inline constexpr com::CLSID kTestUnusedParser = com::MakeGuid("{A0000001-0000-4000-8000-000000000005}");

}  // namespace quorbel::testing
