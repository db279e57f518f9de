// Running an extraction as the main dialog does: a package made with the package
// writer on drive C:, WorkDir under C:\TEMP, OverwriteMode "ask", and
// ExtractArchive called from inside an open "DLG_MAIN" so that the progress lines
// of control 3002 are recorded. Shared by the extraction, interop and fuzz-seed tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "archive/extract.h"
#include "packer/package_writer.h"
#include "platform/posix/standin.h"
#include "startup/package_format.h"
#include "startup/setup_state.h"
#include "support/packages.h"
#include "support/test_env.h"

namespace extracttest {

constexpr char kWorkDir[] = "C:\\TEMP\\$Pellmor.Tmp";
constexpr char kPackagePath[] = "C:\\Setup.exe";

inline packer::ArchiveEntry File(const std::string& name, const std::string& data, int level = 0,
                                 const std::string& password = "") {
  packer::ArchiveEntry e;
  e.name = name;
  e.data.assign(data.begin(), data.end());
  e.level = level;
  e.password = password;
  return e;
}

inline packer::ArchiveEntry Directory(const std::string& name) { return File(name, ""); }

class ExtractEnv : public testenv::Env {
 protected:
  void SetUp() override {
    Env::SetUp();
    std::strcpy(startup::g_Setup.WorkDir, kWorkDir);
    startup::g_Setup.OverwriteMode = 2;  // what the main dialog sets when it opens
  }
  void TearDown() override {
    if (startup::g_Setup.PackageFile) CloseHandle(startup::g_Setup.PackageFile);
    startup::g_Setup.PackageFile = nullptr;
    Env::TearDown();
  }

 public:  // also for the lambdas of case tables
  // A package without texts around `archive`, opened as PackageFile; the archive
  // begins right behind the header.
  void OpenArchive(const packer::Bytes& archive) {
    packer::Bytes package;
    std::string error;
    ASSERT_TRUE(packer::BuildPackage(testenv::FakeStub(), {}, archive, &package, &error)) << error;
    testenv::OpenPackage(kPackagePath, package);
    ASSERT_NE(startup::g_Setup.PackageFile, INVALID_HANDLE_VALUE);
    startup::g_Setup.ArchiveBase = startup::kTextsStart;
  }
  void Open(const std::vector<packer::ArchiveEntry>& entries) { OpenArchive(packer::BuildArchive(entries)); }

  static INT_PTR CALLBACK HostProc(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
      archive::ExtractArchive(window);
      EndDialog(window, 1);
    }
    return FALSE;
  }
  // Runs ExtractArchive inside the main dialog's window.
  void Extract() { DialogBoxParamA(nullptr, "DLG_MAIN", nullptr, HostProc, 0); }

  // Host path of a path below the working directory ("" for the directory itself).
  std::string Work(const std::string& relative = "") const {
    return Host(relative.empty() ? std::string(kWorkDir) : std::string(kWorkDir) + "\\" + relative);
  }
  std::string Content(const std::string& relative) const { return testenv::ReadHostFile(Work(relative)); }
  bool Exists(const std::string& relative) const { return testenv::HostExists(Work(relative)); }
  std::vector<std::string> WorkTree() const { return testenv::ListTree(Work()); }
  // Everything on drive C: that is not the package, the folders the fixture made, or below WorkDir.
  std::vector<std::string> OutsideWork() const {
    std::vector<std::string> out;
    for (const std::string& path : testenv::ListTree(root_)) {
      if (path == "Setup.exe" || path == "TEMP/" || path == "WINDOWS/" || path == "WINDOWS/system32/") continue;
      if (path.rfind("TEMP/$Pellmor.Tmp/", 0) == 0) continue;
      out.push_back(path);
    }
    return out;
  }

  static std::vector<std::string> List(const startup::PathList& list) {
    return std::vector<std::string>(list.Items, list.Items + list.Count);
  }
  static std::vector<std::string> Recorded() { return List(startup::g_Setup.ExtractedFiles); }
  static std::vector<std::string> CreatedDirs() { return List(startup::g_Setup.CreatedDirs); }
  // "text | caption" of every message box, in order.
  static std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const auto& box : standin::RecordedMessageBoxes()) out.push_back(box.text + " | " + box.caption);
    return out;
  }
  static std::vector<std::string> Status() { return standin::ControlTexts("DLG_MAIN", 3002); }
  static std::string W(const std::string& relative) { return std::string(kWorkDir) + "\\" + relative; }
  static std::string Progress(const std::string& relative) {
    return "\r\n\r\n\r\n\r\n  Extracting: " + W(relative);
  }
};

}  // namespace extracttest
