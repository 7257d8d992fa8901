#pragma once
// What the machine checks' tests share: the catalogue's English texts for the decisions, and the
// log a check wrote on a fake machine.
#include <string>
#include <vector>

#include "core/SetupLog.h"
#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"
#include "tests/support/FakeMachineLog.h"
#include "resources/CatalogueTable.h"

namespace machine_test {

inline std::wstring English(unsigned id) {
    const wchar_t* text = catalogue::FindEntry(catalogue::ChooseTableLanguage(0x0409), id);
    return text != nullptr ? text : L"";
}

}  // namespace machine_test
