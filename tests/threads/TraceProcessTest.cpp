// The trace and the environment settings, each read once per process: every case runs
// vol_threads_child with its own environment and checks what it wrote or sent.
#include "tests/threads/support/ChildProcess.h"
#include "tests/threads/support/LoopbackCollector.h"
#include "tests/support/TestThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (std::string::size_type at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
        parts.push_back(text.substr(start, at - start + (separator == '\n' ? 1 : 0)));
    }
    if (start < text.size()) parts.push_back(text.substr(start));
    return parts;
}

// The library's lines (each kept with its line feed) among a stream's lines.
std::vector<std::string> TraceLines(const std::string& stream) {
    std::vector<std::string> lines;
    for (const std::string& line : Split(stream, '\n')) {
        if (line.rfind("| tid=", 0) == 0) lines.push_back(line);
    }
    return lines;
}

// The value the child reported as "child: <key>=<value>".
std::string ChildValue(const std::string& out, const std::string& key) {
    const std::string marker = "child: " + key + "=";
    const auto at = out.find(marker);
    if (at == std::string::npos) return "";
    const auto end = out.find('\n', at);
    return out.substr(at + marker.size(), end - at - marker.size());
}

bool HasEventLine(const std::string& text) {
    return text.find("evt=") != std::string::npos;
}

// "| tid=<digits> | emt=0x<pointer-wide upper-case hex> | " and returns the event part, or "" when
// the prefix does not have that form.
std::string EventOf(const std::string& line) {
    const std::string tid = "| tid=";
    if (line.rfind(tid, 0) != 0) return "";
    std::string::size_type at = tid.size();
    const std::string::size_type digitsStart = at;
    while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]))) ++at;
    if (at == digitsStart) return "";
    const std::string emt = " | emt=0x";
    if (line.compare(at, emt.size(), emt) != 0) return "";
    at += emt.size();
    const std::string::size_type width = 2 * sizeof(void*);
    for (std::string::size_type i = 0; i < width; ++i, ++at) {
        if (at >= line.size() || !std::isxdigit(static_cast<unsigned char>(line[at])) ||
            std::islower(static_cast<unsigned char>(line[at]))) {
            return "";
        }
    }
    if (line.compare(at, 3, " | ") != 0) return "";
    return line.substr(at + 3);
}

std::string EmitterOf(const std::string& line) {
    const auto at = line.find("emt=0x");
    return at == std::string::npos ? "" : line.substr(at + 6, 2 * sizeof(void*));
}

// "0x1a2b" as the emitter field prints it: upper case, zero-padded to the pointer's width.
std::string AsEmitter(const std::string& address) {
    std::string digits = address.substr(2);
    std::transform(digits.begin(), digits.end(), digits.begin(), [](unsigned char c) { return std::toupper(c); });
    return std::string(2 * sizeof(void*) - digits.size(), '0') + digits;
}

int CountEvent(const std::vector<std::string>& lines, const std::string& event) {
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return EventOf(line) == event; }));
}

TEST(ThreadTrace, WithoutSettingsNothingIsWritten) {
    const ChildResult child = RunThreadsChild("mutex", {});
    ASSERT_EQ(0, child.exitCode);
    EXPECT_EQ("0", ChildValue(child.out, "init"));
    EXPECT_FALSE(HasEventLine(child.out));
    EXPECT_EQ("", child.err);
}

TEST(ThreadTrace, EachLockWritesOneLineToTheChosenStream) {
    struct Case {
        const char* value;
        bool toStandardOutput;
    };
    for (const Case& c : {Case{"STDOUT", true}, Case{"STDERR", false}}) {
        SCOPED_TRACE(c.value);
        const ChildResult child = RunThreadsChild("mutex", {{"VolThrDebug", c.value}});
        ASSERT_EQ(0, child.exitCode);
        EXPECT_EQ("1", ChildValue(child.out, "init"));
        const std::string address = ChildValue(child.out, "mutex");
        ASSERT_FALSE(address.empty());
        const std::string& chosen = c.toStandardOutput ? child.out : child.err;
        const std::string& other = c.toStandardOutput ? child.err : child.out;
        const std::vector<std::string> lines = TraceLines(chosen);
        // Two Lock calls; Unlock and TryLock write nothing.
        EXPECT_EQ(2, CountEvent(lines, "evt=lockS | m=" + address + " \n")) << chosen;
        for (const std::string& line : lines) {
            EXPECT_NE("", EventOf(line)) << line;
            if (line.find(address) != std::string::npos) {
                EXPECT_EQ(std::string(2 * sizeof(void*), '0'), EmitterOf(line)) << "this thread has no thread object";
            }
        }
        EXPECT_FALSE(HasEventLine(other));
    }
}

TEST(ThreadTrace, OtherValuesTurnTheTraceOnWithoutAnOutput) {
    for (const char* value : {"stdout", "stderr", "yes", ""}) {
        SCOPED_TRACE(value);
        const ChildResult child = RunThreadsChild("mutex", {{"VolThrDebug", value}});
#ifdef _WIN32
        if (*value == '\0') continue;  // an empty value unsets the variable on Windows
#endif
        EXPECT_EQ("1", ChildValue(child.out, "init"));
        EXPECT_FALSE(HasEventLine(child.out));
        EXPECT_FALSE(HasEventLine(child.err));
    }
}

TEST(ThreadTrace, FailedConnectionIsReportedAndLinesGoToStandardError) {
    const int port = LoopbackCollector::FreePort();
    ASSERT_NE(0, port);
    const ChildResult child = RunThreadsChild("mutex", {{"VolThrDebug", "PORT:" + std::to_string(port)}});
    ASSERT_EQ(0, child.exitCode);
    EXPECT_EQ(0u, child.err.find("thread_cnx connect: ")) << child.err;
    const std::string address = ChildValue(child.out, "mutex");
    EXPECT_EQ(2, CountEvent(TraceLines(child.err), "evt=lockS | m=" + address + " \n")) << child.err;
    EXPECT_FALSE(HasEventLine(child.out));
}

TEST(ThreadTrace, LinesReachTheCollectorEachFollowedByAZeroByte) {
    for (const char* host : {static_cast<const char*>(nullptr), "localhost", "127.0.0.1"}) {
        SCOPED_TRACE(host ? host : "(no host)");
        LoopbackCollector collector;
        ASSERT_TRUE(collector.Listening());
        Environment environment = {{"VolThrDebug", "PORT:" + std::to_string(collector.Port())}};
        if (host) environment.push_back({"VolThrDebug_Host", host});
        ChildResult child;
        TestThread runner([&] { child = RunThreadsChild("mutex", environment); });
        const std::string received = collector.ReceiveAll(60);
        runner.join();
        ASSERT_EQ(0, child.exitCode);
        EXPECT_FALSE(HasEventLine(child.out));
        EXPECT_FALSE(HasEventLine(child.err)) << child.err;
        ASSERT_FALSE(received.empty());
        ASSERT_EQ('\0', received.back());
        const std::vector<std::string> lines = Split(received.substr(0, received.size() - 1), '\0');
        for (const std::string& line : lines) {
            EXPECT_NE("", EventOf(line)) << line;
            EXPECT_EQ('\n', line.back());
        }
        EXPECT_EQ(2, CountEvent(lines, "evt=lockS | m=" + ChildValue(child.out, "mutex") + " \n"));
    }
}

TEST(ThreadTrace, CollectorThatHangsUpIsReportedOnceThenStandardErrorTakesOver) {
    LoopbackCollector collector;
    ASSERT_TRUE(collector.Listening());
    ChildResult child;
    TestThread runner([&] {
        child = RunThreadsChild("burst", {{"VolThrDebug", "PORT:" + std::to_string(collector.Port())}});
    });
    EXPECT_TRUE(collector.AcceptAndClose(60));
    runner.join();
    ASSERT_EQ(0, child.exitCode);
    std::string::size_type reports = 0;
    for (auto at = child.err.find("thread_cnx send"); at != std::string::npos;
         at = child.err.find("thread_cnx send", at + 1)) {
        ++reports;
    }
    EXPECT_EQ(1u, reports) << child.err;
    EXPECT_NE(std::string::npos, child.err.find(" | msg=line 299\n")) << "later lines go to standard error";
}

TEST(ThreadTrace, SocketSettingAloneOpensAnOutputForJoinErrorsOnly) {
    struct Case {
        const char* value;
        bool toStandardOutput;
    };
    for (const Case& c : {Case{"STDOUT", true}, Case{"1", false}, Case{"STDERR", false}}) {
        SCOPED_TRACE(c.value);
        const ChildResult child = RunThreadsChild("join-without-thread", {{"VolSocketDebug", c.value}});
        ASSERT_EQ(0, child.exitCode);
        const std::string& chosen = c.toStandardOutput ? child.out : child.err;
        const std::vector<std::string> lines = TraceLines(chosen);
        ASSERT_EQ(1u, lines.size()) << chosen;
        EXPECT_EQ("null thread handle in Join \n", EventOf(lines[0]));
        EXPECT_FALSE(HasEventLine(child.out));
        EXPECT_FALSE(HasEventLine(child.err));
    }
}

TEST(ThreadTrace, SocketSettingIsIgnoredWhileTheTraceIsOn) {
    const int port = LoopbackCollector::FreePort();
    const ChildResult child = RunThreadsChild(
        "join-without-thread", {{"VolThrDebug", "STDERR"}, {"VolSocketDebug", "PORT:" + std::to_string(port)}});
    ASSERT_EQ(0, child.exitCode);
    EXPECT_EQ(std::string::npos, child.err.find("thread_cnx")) << "no connection attempted";
    const std::vector<std::string> lines = TraceLines(child.err);
    EXPECT_EQ(1, CountEvent(lines, "null thread handle in Join \n"));
    EXPECT_TRUE(HasEventLine(child.err));
    EXPECT_EQ(std::string::npos, child.out.find("| tid="));
}

TEST(ThreadTrace, ThreadLifeIsTracedFromTheRightThreads) {
    const ChildResult child = RunThreadsChild("thread-run", {{"VolThrDebug", "STDOUT"}});
    ASSERT_EQ(0, child.exitCode);
    const std::string thread = ChildValue(child.out, "thread");
    ASSERT_FALSE(thread.empty());
    const std::vector<std::string> lines = TraceLines(child.out);
    std::vector<std::string> events;
    std::string runEmitter;
    for (const std::string& line : lines) {
        const std::string event = EventOf(line);
        const bool lifeEvent = event.rfind("evt=tcreat", 0) == 0 || event.rfind("evt=trun", 0) == 0 ||
                               event.rfind("evt=tend", 0) == 0 || event.rfind("evt=tjoin", 0) == 0 ||
                               event.rfind("evt=ejoin", 0) == 0 || event.rfind("evt=msg", 0) == 0;
        if (!lifeEvent) continue;
        if (event == "evt=trun \n") runEmitter = EmitterOf(line);
        events.push_back(event);
    }
    // Lines of different threads may come in either order; each thread's own lines keep theirs.
    auto position = [&](const std::string& prefix) {
        const auto found = std::find_if(events.begin(), events.end(),
                                        [&](const std::string& event) { return event.rfind(prefix, 0) == 0; });
        EXPECT_NE(events.end(), found) << prefix << " missing in\n" << child.out;
        return found - events.begin();
    };
    EXPECT_NE(std::string::npos, events.at(0).find("| nam=MainThread\n")) << events[0];
    const auto created = position("evt=tcreat | thr=" + thread + " | nam=worker\n");
    const auto run = position("evt=trun \n");
    const auto ended = position("evt=tend | thr=" + thread + " | tid=");
    const auto joining = position("evt=tjoin | thr=" + thread + "\n");
    const auto joined = position("evt=ejoin | thr=" + thread + "\n");
    const auto message = position("evt=msg | thr=" + thread + " | msg=hello\n");
    EXPECT_LT(created, run);
    EXPECT_LT(run, ended);
    EXPECT_LT(created, joining);
    EXPECT_LT(ended, joined);
    EXPECT_LT(joining, joined);
    EXPECT_LT(joined, message);
    EXPECT_EQ(AsEmitter(thread), runEmitter) << "the new thread's lines name its object";
}

TEST(ThreadTrace, OverlongEventsAreCutToTheLineBounds) {
    const ChildResult child = RunThreadsChild("long-message", {{"VolThrDebug", "STDOUT"}});
    ASSERT_EQ(0, child.exitCode);
    bool sawLong = false;
    for (const std::string& line : Split(child.out, '\n')) {
        EXPECT_LE(line.size(), 1499u);
        if (line.find("msg=aaaa") != std::string::npos) {
            sawLong = true;
            EXPECT_NE("", EventOf(line));
            EXPECT_EQ(999u, EventOf(line).size()) << "cut, keeping its line feed";
        }
    }
    EXPECT_TRUE(sawLong) << child.out;
}

TEST(VolThreadsSettings, MultiThreadingIsRefusedOnlyByExactlyFALSE) {
    struct Case {
        const char* value;  // null: unset
        const char* allowed;
        bool oneProcessor;
    };
    const Case cases[] = {{nullptr, "-1", false},
                          {"FALSE", "0", true},
                          {"false", "-1", false},
                          {"FALSE ", "-1", false},
                          {"TRUE", "-1", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        Environment environment;
        if (c.value) environment.push_back({"VolSysMultiThreading", c.value});
        const ChildResult child = RunThreadsChild("multithreading", environment);
        ASSERT_EQ(0, child.exitCode);
        const std::string report = ChildValue(child.out, "allowed");
        EXPECT_EQ(c.allowed, report.substr(0, report.find(' ')));
        const int processors = std::stoi(report.substr(report.find("processors=") + 11));
        if (c.oneProcessor) {
            EXPECT_EQ(1, processors);
        } else {
            EXPECT_GE(processors, 1);
        }
    }
}

TEST(VolSysCallOnFirstThread, QueuedFunctionsRunDuringTheFirstConstruction) {
    const ChildResult child = RunThreadsChild("first-thread", {});
    ASSERT_EQ(0, child.exitCode);
    std::vector<std::string> said;
    for (const std::string& line : Split(child.out, '\n')) {
        if (line.rfind("child: ", 0) == 0) said.push_back(line.substr(7, line.size() - 8));
    }
    const std::vector<std::string> expected = {
        "before first object",           "first hook",          "second hook", "after first object",
        "hook on constructing thread=1", "after second object", "late hook",   "end"};
    EXPECT_EQ(expected, said);
}

TEST(VolSysCallOnFirstThread, FirstConstructionCompletesBeforeAnyoneGoesOn) {
    const ChildResult child = RunThreadsChild("first-construction-race", {});
    ASSERT_EQ(0, child.exitCode);
    EXPECT_EQ("1", ChildValue(child.out, "queued during the first construction"))
        << "queueing waited for the queued functions to end: they ran under a lock";
    EXPECT_EQ("0", ChildValue(child.out, "second construction went on too early"));
    EXPECT_EQ("1", ChildValue(child.out, "late hook on the constructing thread"));
    EXPECT_EQ("1", ChildValue(child.out, "main object is this thread's"));
}

TEST(VolSysCallOnFirstThread, AQueuedFunctionMayJoinAThreadThatConstructsAThreadObject) {
    const ChildResult child = RunThreadsChild("first-construction-helper", {});
    ASSERT_EQ(0, child.exitCode) << child.out;
    EXPECT_EQ("1", ChildValue(child.out, "helper constructed"));
}

}  // namespace
