#include "checks/MsxmlPrereq.h"

#include "checks/VolMSXMLChecker.h"
#include "core/SetupLog.h"
#include "platform/MsxmlProbe.h"

MsxmlPrereqVerdict DecideMsxmlPrereq(int checkerCode) {
    namespace r = platform::msxml_result;
    MsxmlPrereqVerdict verdict;
    verdict.msxmlUsable = checkerCode != r::kMissingMsxml6 && checkerCode != r::kCheckFailure;
    verdict.logLines = {verdict.msxmlUsable ? L" Prereqs MSXML OK" : L" Prereqs MSXML KO", L"OUT->IsPrereqMSXML ()"};
    return verdict;
}

bool IsPrereqMSXML() {
    SetupLog::Write(L"IN->IsPrereqMSXML ()");
    const MsxmlPrereqVerdict verdict = DecideMsxmlPrereq(VolMSXMLChecker::Check());
    for (const std::wstring& line : verdict.logLines) SetupLog::Write(line);
    return verdict.msxmlUsable;
}
