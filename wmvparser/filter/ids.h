// Identities of the plug-in: the filter's class and name.
#pragma once

#include "com/guid.h"

namespace quorbel::wmvparser {

constexpr com::CLSID CLSID_WmvParser = com::MakeGuid("{1932C124-77DA-4151-99AA-234FEA09F463}");
constexpr const char16_t* kWmvParserName = u"WMV Parser";

}  // namespace quorbel::wmvparser
