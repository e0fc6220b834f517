// A help viewer for tests: pages of a test-only file type open in the harness probe, which notes its
// command line in a file. The registration lasts as long as the object.
#pragma once

#include "tests/TestFiles.h"
#include "tests/gui/WindowTesting.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

namespace testing_help {

const std::string kExtension = ".zolvanehelptest";
const std::string kProgId = "ZolvaneHelpTest.Page";

class ProbeHelpViewer {
public:
    // Registered through HKEY_CLASSES_ROOT itself: Wine 8 finds a file's program there alone, without the
    // user's Software\Classes that Windows merges into it.
    explicit ProbeHelpViewer(const testing_files::ScratchFolder& folder) : record_(folder / "probe.txt") {
        SetDefaultValue(kExtension, kProgId);
        SetDefaultValue(kProgId + "\\shell\\open\\command", "\"" HARNESS_PROBE "\" \"%1\"");
        SetEnvironmentVariableA("HARNESS_PROBE_RECORD", record_.c_str());
    }
    ~ProbeHelpViewer() {
        SetEnvironmentVariableA("HARNESS_PROBE_RECORD", nullptr);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kExtension.c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId.c_str());
    }
    ProbeHelpViewer(const ProbeHelpViewer&) = delete;
    ProbeHelpViewer& operator=(const ProbeHelpViewer&) = delete;

    // The probe's command line, once it has been started.
    std::string AwaitProbe() {
        std::string line;
        EXPECT_TRUE(testing_windows::PumpUntil([&] {
            line = testing_files::ReadFile(record_);
            return !line.empty() && line.back() == '\n';
        })) << "the probe was not started";
        std::filesystem::remove(record_);
        return line;
    }

private:
    static void SetDefaultValue(const std::string& key, const std::string& text) {
        EXPECT_EQ(RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, text.c_str(),
                                  static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }

    std::string record_;
};

} // namespace testing_help
