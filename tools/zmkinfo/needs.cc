// The needs step of zmkinfo check: the program and database versions that
// a delivery's packages state, read by the version rule.
#include <algorithm>
#include <string_view>

#include "header/setting_header.h"
#include "tools/zmkinfo/check.h"
#include "tools/zmkinfo/min_version.h"

namespace zmk {

namespace {

using VersionText = std::string PackageFile::*;  // min_exe_version or min_db_version

// What a package states. The reader keeps the first kMaxStringBytes of a
// longer text: what it dropped may be the version itself (a text of blanks
// and then "9.0"), so a text of that size cannot be compared.
VersionForm Stated(const std::string& text, std::string_view* version) {
  if (text.size() >= kMaxStringBytes) return VersionForm::kUnreadable;
  return ReadVersion(text, version);
}

VersionNeed FindNeed(const std::vector<PackageFile>& files, VersionText text) {
  VersionNeed need;
  std::string_view highest;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (files[i].state != PackageFile::State::kWhole) continue;
    std::string_view version;
    switch (Stated(files[i].*text, &version)) {
      case VersionForm::kNone: break;
      case VersionForm::kUnreadable: need.unreadable.push_back(i); break;
      case VersionForm::kVersion: {
        const int order = need.files.empty() ? 1 : CompareVersions(version, highest);
        if (order > 0) {
          need.files.clear();
          highest = version;
        }
        if (order >= 0) need.files.push_back(i);
        break;
      }
    }
  }
  std::sort(need.files.begin(), need.files.end(), ByPath{files});
  std::sort(need.unreadable.begin(), need.unreadable.end(), ByPath{files});
  // Equal versions may be written apart ("4.2", "4.2.0"): the first by path says it.
  if (!need.files.empty()) need.version = TrimBlanks(files[need.files[0]].*text);
  return need;
}

void NeedProblems(const std::vector<PackageFile>& files, VersionText text,
                  const std::string& installed, Problem::Kind newer, Problem::Kind unreadable,
                  std::vector<Problem>* problems) {
  std::string_view have;
  if (ReadVersion(installed, &have) != VersionForm::kVersion) return;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (files[i].state != PackageFile::State::kWhole) continue;
    std::string_view version;
    switch (Stated(files[i].*text, &version)) {
      case VersionForm::kNone: break;
      case VersionForm::kUnreadable: problems->push_back({unreadable, {}, {i}}); break;
      case VersionForm::kVersion:
        if (CompareVersions(version, have) > 0) problems->push_back({newer, {}, {i}, installed});
        break;
    }
  }
}

}  // namespace

DeliveryNeeds FindNeeds(const std::vector<PackageFile>& files) {
  return {FindNeed(files, &PackageFile::min_exe_version),
          FindNeed(files, &PackageFile::min_db_version)};
}

void NeedsProblems(const std::vector<PackageFile>& files, const Installation& installation,
                   std::vector<Problem>* problems) {
  NeedProblems(files, &PackageFile::min_exe_version, installation.exe_version,
               Problem::Kind::kNeedsNewerExe, Problem::Kind::kUnreadableExeVersion, problems);
  NeedProblems(files, &PackageFile::min_db_version, installation.db_version,
               Problem::Kind::kNeedsNewerDb, Problem::Kind::kUnreadableDbVersion, problems);
}

}  // namespace zmk
