#include "threads/VolThrLibraryManager.h"

#include "tests/threads/support/ProcessId.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// The test library is built next to this test, which runs in its own folder. Each test copies it
// under names of its own in a private folder, so that every name starts unknown to the manager.
class LibraryManagerTest : public testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        const std::string unique =
            testing::UnitTest::GetInstance()->current_test_info()->name() + std::to_string(counter++);
        folder_ = fs::temp_directory_path() / ("vol_libmgr_" + std::to_string(TestProcessId()) + "_" + unique);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        source_ = fs::absolute("vollibtest.dll");
        ASSERT_TRUE(fs::exists(source_)) << source_;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);  // may fail on Windows while the library is loaded
    }
    // Places a copy of the test library as <folder>/<fileName>; returns <folder>/<shortName>.
    std::string Place(const std::string& fileName) {
        fs::copy_file(source_, folder_ / fileName, fs::copy_options::overwrite_existing);
        return ShortName(fileName.substr(0, fileName.size() - 4));
    }
    std::string ShortName(const std::string& name) const { return (folder_ / name).string(); }

    fs::path folder_;
    fs::path source_;
};

TEST_F(LibraryManagerTest, LoadsOnceThenAnswersFromItsRecords) {
    const std::string name = Place("answer.dll");
    void* module = VolThrLibraryManager::LoadLibraryW(name.c_str());
    ASSERT_NE(nullptr, module);
    // Gone from disk: only the record can answer now.
    std::error_code ignored;
    fs::rename(folder_ / "answer.dll", folder_ / "moved.bin", ignored);
    EXPECT_EQ(module, VolThrLibraryManager::LoadLibraryW(name.c_str()));
}

TEST_F(LibraryManagerTest, AppendsTheSuffixToWhateverNameIsGiven) {
    Place("double.dll.dll");
    const std::string name = ShortName("double.dll");
    EXPECT_NE(nullptr, VolThrLibraryManager::LoadLibraryW(name.c_str()));
    EXPECT_EQ(nullptr, VolThrLibraryManager::LoadLibraryW(ShortName("double.dll.dll").c_str()));
}

TEST_F(LibraryManagerTest, RemembersAFailedLoad) {
    const std::string name = ShortName("late");
    EXPECT_EQ(nullptr, VolThrLibraryManager::LoadLibraryW(name.c_str()));
    Place("late.dll");  // loadable now, but the failure is remembered
    EXPECT_EQ(nullptr, VolThrLibraryManager::LoadLibraryW(name.c_str()));
    EXPECT_EQ(nullptr, VolThrLibraryManager::GetFunctionAddress(name.c_str(), "VolLibTestAnswer").address);
}

TEST_F(LibraryManagerTest, NamesDifferingInCaseAreDifferentEntries) {
    const std::string lower = ShortName("mixed");
    EXPECT_EQ(nullptr, VolThrLibraryManager::LoadLibraryW(lower.c_str()));
    const std::string upper = Place("MIXED.dll");
    EXPECT_NE(nullptr, VolThrLibraryManager::LoadLibraryW(upper.c_str()));
    EXPECT_EQ(nullptr, VolThrLibraryManager::LoadLibraryW(lower.c_str()));
}

TEST_F(LibraryManagerTest, NullNameGivesNull) {
    EXPECT_EQ(nullptr, VolThrLibraryManager::LoadLibraryW(nullptr));
    const VolThrLibraryHandler handler = VolThrLibraryManager::GetFunctionAddress(nullptr, "VolLibTestAnswer");
    EXPECT_EQ(nullptr, handler.address);
    EXPECT_EQ(nullptr, handler.module);
}

TEST_F(LibraryManagerTest, FunctionFoundOnceIsAnsweredWithoutTheModule) {
    const std::string name = Place("functions.dll");
    const VolThrLibraryHandler first = VolThrLibraryManager::GetFunctionAddress(name.c_str(), "VolLibTestAnswer");
    ASSERT_NE(nullptr, first.address);
    EXPECT_NE(nullptr, first.module);
    EXPECT_EQ(42, reinterpret_cast<int (*)()>(first.address)());

    const VolThrLibraryHandler again = VolThrLibraryManager::GetFunctionAddress(name.c_str(), "VolLibTestAnswer");
    EXPECT_EQ(first.address, again.address);
    EXPECT_EQ(nullptr, again.module);

    const VolThrLibraryHandler other = VolThrLibraryManager::GetFunctionAddress(name.c_str(), "VolLibTestTwice");
    ASSERT_NE(nullptr, other.address);
    EXPECT_EQ(first.module, other.module);
    EXPECT_EQ(14, reinterpret_cast<int (*)(int)>(other.address)(7));
}

TEST_F(LibraryManagerTest, MissingOrNoSymbolGivesTheModuleOnly) {
    const std::string name = Place("nosymbol.dll");
    const VolThrLibraryHandler missing = VolThrLibraryManager::GetFunctionAddress(name.c_str(), "NoSuchFunction");
    EXPECT_EQ(nullptr, missing.address);
    EXPECT_NE(nullptr, missing.module);
    const VolThrLibraryHandler none = VolThrLibraryManager::GetFunctionAddress(name.c_str(), nullptr);
    EXPECT_EQ(nullptr, none.address);
    EXPECT_EQ(missing.module, none.module);
}

TEST_F(LibraryManagerTest, SameFunctionInTwoLibrariesIsRecordedPerLibrary) {
    const std::string one = Place("one.dll");
    const std::string two = Place("two.dll");
    const VolThrLibraryHandler first = VolThrLibraryManager::GetFunctionAddress(one.c_str(), "VolLibTestAnswer");
    const VolThrLibraryHandler second = VolThrLibraryManager::GetFunctionAddress(two.c_str(), "VolLibTestAnswer");
    ASSERT_NE(nullptr, first.address);
    ASSERT_NE(nullptr, second.address);
    EXPECT_NE(nullptr, second.module) << "not known yet for this library";
    EXPECT_EQ(first.address, VolThrLibraryManager::GetFunctionAddress(one.c_str(), "VolLibTestAnswer").address);
    EXPECT_EQ(second.address, VolThrLibraryManager::GetFunctionAddress(two.c_str(), "VolLibTestAnswer").address);
}

TEST_F(LibraryManagerTest, ManyLibrariesGrowTheRecordsPastOneBlock) {
    std::string names[25];
    void* modules[25];
    for (int i = 0; i < 25; ++i) {
        names[i] = Place("many" + std::to_string(24 - i) + ".dll");
        modules[i] = VolThrLibraryManager::LoadLibraryW(names[i].c_str());
        ASSERT_NE(nullptr, modules[i]) << names[i];
    }
    for (int i = 0; i < 25; ++i) EXPECT_EQ(modules[i], VolThrLibraryManager::LoadLibraryW(names[i].c_str()));
}

}  // namespace
