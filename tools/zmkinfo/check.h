// zmkinfo check: a delivery of setting packages as a whole. Which
// dependencies no package meets, which RUID several packages carry, which
// packages depend on each other in a circle, and in what order to import
// them so that each comes after every package it depends on.
//
// The work goes in named steps. Only the walk reads files; the others take
// the packages as values, so that a test or a fuzz target can build a
// delivery in memory and run them without a file system:
//   walk      CollectPackages: the paths given -> PackageFile each
//   index     IndexDelivery: which files carry and which need each RUID
//   problems  FileProblems, RUIDProblems: what is wrong with a file, a RUID
//   groups    FindGroups: the dependency graph's circles
//   order     ImportOrder: dependencies first
//   needs     FindNeeds, NeedsProblems: the program and database it needs
#ifndef ZMK_TOOLS_ZMKINFO_CHECK_H_
#define ZMK_TOOLS_ZMKINFO_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "header/ruid.h"
#include "header/setting_header.h"
#include "platform/file.h"
#include "tools/zmkinfo/json.h"

namespace zmk {

// One file of a delivery, as the header reader found it.
struct PackageFile {
  enum class State {
    kWhole,
    kNotZMK,
    kDamaged,
    kUnreadable,
    kNoPackages,  // not a file: a folder given in which no package was found
  };

  std::string path;  // as given, or as found under the folder given
  State state = State::kWhole;
  std::string error;  // kUnreadable: the system's text
  // What a whole header holds.
  TRUID ruid{0, 0};
  std::string name;     // Windows-1251, as stored
  std::string comment;  // Windows-1251, as stored
  double modified = 0.0;
  std::int32_t version = 0;
  std::uint8_t is_final = 0;     // the stored byte: any but 0 is final
  std::string min_exe_version;   // free text, Windows-1251, as stored
  std::string min_db_version;
  std::vector<TRUID> depends_on;  // by value, "no RUID" entries left out
  // The dependency text was cut: its declared length and the bytes used.
  std::size_t depends_declared = 0;
  std::size_t depends_kept = 0;
};

// Reads a file the walk opened with the header reader; never throws for
// the file's sake. `path` names it in the report.
PackageFile ReadPackage(const std::string& path, File file);
PackageFile Unreadable(std::string path, std::string error);
PackageFile NoPackages(std::string path);

// Walk: the files named by `paths`: each file as it is, each folder walked
// for names ending in ".zmk" in any case, at any depth, links to folders not
// followed. A file reached twice (given twice, under two folders given, or
// through a hard or symbolic link) is read once, under the path by which it
// was first reached. An entry that cannot be read is a file of state
// kUnreadable; a folder given that holds no package is one of kNoPackages.
std::vector<PackageFile> CollectPackages(const std::vector<std::string>& paths);

// Whether a file name ends in ".zmk", in any case.
bool IsZMKName(const char* name);

// The one order of paths on every platform: by bytes, but a separator ("/",
// or the "\" Windows shows) before any other character, so that a
// folder's files come before a sibling whose name goes on ("a/x" before
// "aB") whichever separator the system writes.
bool PathLess(std::string_view a, std::string_view b);

struct Problem {
  // In the order problems are reported: the delivery as a whole, then what
  // the installation lacks for it, then single files.
  enum class Kind {
    kMissing,
    kDuplicate,
    kCycle,
    kNeedsNewerExe,
    kNeedsNewerDb,
    kUnreadableExeVersion,
    kUnreadableDbVersion,
    kDependenciesCut,
    kNotZMK,
    kDamaged,
    kUnreadable,
    kNoPackages,
  };

  Kind kind;
  TRUID ruid{0, 0};                // kMissing, kDuplicate
  std::vector<std::size_t> files;  // indexes: by path, but kDuplicate newest first
  std::string have{};  // kNeedsNewerExe, kNeedsNewerDb: the installation's version as given
};

// Index: for each RUID (by value), the files whose whole header carries it
// and the files that depend on it.
struct DeliveryIndex {
  std::unordered_map<std::uint64_t, std::vector<std::size_t>> carriers, needers;
  std::unordered_map<std::uint64_t, TRUID> ruids;  // the RUID behind each key
};
std::uint64_t RUIDKey(const TRUID& ruid);
DeliveryIndex IndexDelivery(const std::vector<PackageFile>& files);

// Problems of single files: not a ZMK file, damaged, unreadable, dependency
// text cut, a folder without packages.
void FileProblems(const std::vector<PackageFile>& files, std::vector<Problem>* problems);
// Problems of RUIDs: missing (needers by path), duplicate (newest first).
void RUIDProblems(const std::vector<PackageFile>& files, const DeliveryIndex& index,
                  std::vector<Problem>* problems);

// Whether a file's date is one the module can show: NaN, the infinities and
// day counts outside the years 1 to 65535 are none, and count as older than
// every date.
bool ValidDate(double modified);
// Newest first: higher version, then a later valid date, then by path.
bool Newer(const PackageFile& x, const PackageFile& y);

// Groups: the dependency graph's strongly connected groups. A file leads
// to a node for each RUID it carries; the node leads to every file that
// needs it, so that many carriers and many needers of one RUID cost their
// sum in edges, not their product. Nodes 0 to files.size() - 1 are the
// files.
struct DeliveryGroups {
  std::vector<std::vector<std::size_t>> edges;  // from a dependency towards its needers
  std::vector<std::size_t> group;               // of each node
  std::vector<std::vector<std::size_t>> members;  // each group's whole files, by path
  std::vector<bool> cyclic;                     // groups of more than one node
};
DeliveryGroups FindGroups(const std::vector<PackageFile>& files, const DeliveryIndex& index);
void CycleProblems(const DeliveryGroups& groups, std::vector<Problem>* problems);

// Order: every whole file, each after the files it depends on; of the
// groups whose dependencies are all placed, the one whose first path is
// least goes next.
std::vector<std::size_t> ImportOrder(const std::vector<PackageFile>& files,
                                     const DeliveryGroups& groups);

// Orders indexes into `files` by path, then by index: one order whatever
// order the files came in.
struct ByPath {
  const std::vector<PackageFile>& files;
  bool operator()(std::size_t a, std::size_t b) const {
    if (PathLess(files[a].path, files[b].path)) return true;
    return !PathLess(files[b].path, files[a].path) && a < b;
  }
};

// Needs: the oldest program and database the delivery works with. Every
// whole package counts (each of a duplicated RUID too); one that is not
// whole states nothing.
struct VersionNeed {
  std::string version;  // the highest stated, trimmed, as the first of `files` has it; "" if none
  std::vector<std::size_t> files;       // whole packages stating a version equal to it, by path
  std::vector<std::size_t> unreadable;  // whole packages whose text is no version, by path
};
struct DeliveryNeeds {
  VersionNeed exe, db;
};
DeliveryNeeds FindNeeds(const std::vector<PackageFile>& files);

// An installation to check the delivery for: its program's and database's
// versions as given; one that is "" or no version counts as not given (the
// command line refuses the latter before).
struct Installation {
  std::string exe_version, db_version;
};
// A whole package whose minimum is newer than the installation's, or, for
// a version given, whose text of that kind cannot be compared.
void NeedsProblems(const std::vector<PackageFile>& files, const Installation& installation,
                   std::vector<Problem>* problems);

struct CheckResult {
  std::vector<Problem> problems;   // by kind, then by RUID or path
  std::vector<std::size_t> order;  // every whole file, dependencies first
  std::vector<std::size_t> cycle_of;  // each file's cycle, or kNoCycle
  std::size_t packages = 0;           // files, folders without packages not counted
  DeliveryNeeds needs;
};
constexpr std::size_t kNoCycle = static_cast<std::size_t>(-1);

// The order problems are reported in: by kind, then by RUID or path.
void SortProblems(const std::vector<PackageFile>& files, std::vector<Problem>* problems);

// All the steps after the walk. Linear in files plus dependencies, but for
// sorting.
// The files a report counts: folders given without packages are none.
std::size_t PackageCount(const std::vector<PackageFile>& files);

CheckResult CheckDelivery(const std::vector<PackageFile>& files,
                          const Installation& installation = {});

const char* KindName(Problem::Kind kind);  // "missing", "duplicate", ...

// One problem as a JSON object: {"kind": ..., then what it concerns}.
void WriteProblemJson(JsonWriter& json, const std::vector<PackageFile>& files, const Problem& p);
// The members "files" (the count of packages) and "problems".
void WriteFilesAndProblemsJson(JsonWriter& json, const std::vector<PackageFile>& files,
                               std::size_t packages, const std::vector<Problem>& problems);
// The paths of `list` as a JSON array.
void WritePathsJson(JsonWriter& json, const std::vector<PackageFile>& files,
                    const std::vector<std::size_t>& list);

// The report: for scripts, one JSON object; for people, the problems and
// then the order, names in the terminal's set, control characters escaped;
// for Graphviz, the dependency graph, handed to `write` in pieces as it is
// made: it may be far larger than the delivery (an edge from each dependent
// to each duplicate).
std::string CheckJson(const std::vector<PackageFile>& files, const CheckResult& result);
std::string CheckText(const std::vector<PackageFile>& files, const CheckResult& result);
void CheckDot(const std::vector<PackageFile>& files, const CheckResult& result,
              const std::function<void(std::string_view)>& write);

// Pieces of the reports: a header's text as it is shown (up to its first
// NUL, a long one cut); a date as "YYYY-MM-DD" or "no valid date"; "1 file",
// "2 files"; one problem as the text report gives it.
std::string ShownName(const std::string& name);
std::string FileDate(double modified);
std::string Count(std::size_t n, const char* one, const char* many);
std::string ProblemText(const std::vector<PackageFile>& files, const Problem& problem);

}  // namespace zmk

#endif  // ZMK_TOOLS_ZMKINFO_CHECK_H_
