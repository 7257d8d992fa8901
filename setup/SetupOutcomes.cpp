#include "setup/SetupOutcomes.h"

#include "core/SetupLog.h"

int EndStep(const std::wstring& lastLine, int result) {
    SetupLog::Write(lastLine);
    return result;
}

const RunEndRow& RowOf(RunEnd end) {
    for (const RunEndRow& row : kRunEnds) {
        if (row.end == end) return row;
    }
    return kRunEnds[1];  // unreachable: every end has its row
}
