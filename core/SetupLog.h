#pragma once
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "threads/VolMutex.h"

// The setup's one log file, "KORVOSkelvInstall.log" in the user's temporary folder. Each entry is
// "<local time stamp>: <text>" with CR LF, in single-byte Latin-1 ("?" for anything else). The first
// entry of a run truncates the previous run's log, unless another setup of this logon session is
// running (its session mutex exists): the file is then that setup's log, and this run only appends
// to it. The file is held without sharing only while an entry is written.
class SetupLog {
public:
    static void Write(const std::wstring& text);
    // Empty until the first Write of the run.
    static std::wstring GetFilePath();
};

// The machinery behind SetupLog: one instance per process there (never destroyed, so a thread still
// writing while the process ends finds it whole), a fresh one in each test.
class LogWriter {
public:
    void Write(const std::wstring& text);
    std::wstring FilePath() const;

private:
    // Writes of the dialog thread and the install worker are serialised, so neither ever loses an
    // entry because the other one held the file. Untraced: log writes are not thread events.
    mutable VolMutex lock_;
    bool firstWrite_ = true;
    std::wstring filePath_;
};

// "MM/DD/YY - HH:MM:SS", the C locale's "%x - %X"; empty without a time.
std::wstring FormatLogStamp(const std::optional<platform::LocalTime>& time);

// The bytes of a log text: characters up to U+00FF as one byte each, others as "?", and each line
// feed as CR LF (the file is a text file).
std::string EncodeLogBytes(const std::wstring& text);
