// The layers of the tree, read from its #include lines:
//  - every folder includes only itself and the folders its row of kFolders
//    names, each of which lies below it in the table, so that every arrow
//    points down; a test folder includes what the folder it tests may, that
//    folder and tests/support/;
//  - only the top of the window program, app/, and its tests (tests/app/,
//    tests/e2e/) include app/;
//  - no source of korapc_core, no core test and no core test helper reaches a
//    Qt header, directly or through a header of ours.
// Each check is first shown to find what it is meant to find in a small tree
// of its own, then run on the real one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/tempdir.h"

namespace {

namespace fs = std::filesystem;

const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
// <QString>, <QtCore/qglobal.h>, <qglobal.h>.
const std::regex kQtHeader(R"(^(Q[A-Za-z]|qt|q[a-z0-9_]*\.h$))");

struct Include {
  bool quoted = false;  // "..." rather than <...>
  std::string target;
  int line = 0;
};

std::vector<Include> IncludesOf(const fs::path& file) {
  std::vector<Include> includes;
  std::ifstream in(file);
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    std::smatch match;
    if (std::regex_search(text, match, kInclude)) {
      includes.push_back({match[1] == "\"", match[2], line});
    }
  }
  return includes;
}

bool IsSourceFile(const fs::path& path) {
  static const std::set<std::string> kExtensions{".h", ".hpp", ".cpp", ".cc", ".cxx"};
  return kExtensions.count(path.extension().string()) != 0;
}

bool IsUnder(const fs::path& path, const fs::path& folder) {
  const fs::path relative = path.lexically_normal().lexically_relative(folder.lexically_normal());
  return !relative.empty() && *relative.begin() != ".." && *relative.begin() != ".";
}

std::string Where(const fs::path& root, const fs::path& file, int line) {
  return file.lexically_relative(root).generic_string() + ":" + std::to_string(line);
}

// The source files below root, leaving out the folders in leaveOut, skip (a
// build folder elsewhere in the tree) and those whose names start with "."
// or "build".
std::vector<fs::path> SourcesIn(const fs::path& root, const fs::path& skip = {},
                                const std::set<fs::path>& leaveOut = {}) {
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const fs::path& path = it->path();
    const std::string name = path.filename().string();
    std::error_code ec;
    if (it->is_directory() &&
        (name.rfind("build", 0) == 0 || name.front() == '.' || leaveOut.count(path) != 0 ||
         (!skip.empty() && fs::equivalent(path, skip, ec)))) {
      it.disable_recursion_pending();
    } else if (!it->is_directory() && IsSourceFile(path)) {
      files.push_back(path);
    }
  }
  return files;
}

// Every line outside app/, tests/app/ and tests/e2e/ that includes a file of
// app/, as "path:line: target", sorted. skip as for SourcesIn.
std::vector<std::string> AppIncludesOutsideApp(const fs::path& root, const fs::path& skip = {}) {
  std::vector<std::string> found;
  const fs::path app = root / "app";
  for (const fs::path& path :
       SourcesIn(root, skip, {app, root / "tests" / "app", root / "tests" / "e2e"})) {
    for (const Include& include : IncludesOf(path)) {
      // "app/x.h" from the top of the tree, or a relative path that lands in app/.
      const bool intoApp = include.target.rfind("app/", 0) == 0 ||
                           (include.quoted && IsUnder(path.parent_path() / include.target, app));
      if (intoApp) found.push_back(Where(root, path, include.line) + ": " + include.target);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

// Every Qt header that the files reach, following the headers of our own
// that they include (found from root or beside the including file), and the
// header of the same name beside each .cpp. As "path:line: header", sorted.
std::vector<std::string> QtIncludesReachedFrom(const fs::path& root,
                                               const std::vector<fs::path>& files) {
  std::vector<std::string> found;
  std::vector<fs::path> pending;
  std::set<fs::path> seen;
  auto visit = [&](const fs::path& file) {
    const fs::path normal = file.lexically_normal();
    if (fs::is_regular_file(normal) && seen.insert(normal).second) pending.push_back(normal);
  };
  for (const fs::path& file : files) {
    visit(file);
    if (file.extension() == ".cpp") visit(fs::path(file).replace_extension(".h"));
  }
  while (!pending.empty()) {
    const fs::path file = pending.back();
    pending.pop_back();
    for (const Include& include : IncludesOf(file)) {
      if (std::regex_search(include.target, kQtHeader)) {
        found.push_back(Where(root, file, include.line) + ": " + include.target);
      } else if (include.quoted) {
        for (const fs::path& candidate :
             {root / include.target, file.parent_path() / include.target}) {
          if (IsUnder(candidate, root)) visit(candidate);
        }
      }
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

// The sources named in listFile, one a line, leaving out what the build
// generates.
std::vector<fs::path> ListedSources(const std::string& listFile) {
  std::vector<fs::path> files;
  std::ifstream in(listFile);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && IsSourceFile(line) && !IsUnder(line, KORAPC_BINARY_DIR))
      files.emplace_back(line);
  }
  return files;
}

// The folders, bottom to top, and which others each may include. A folder
// may name only folders above it in this table (below it in the layers).
struct FolderRow {
  std::string folder;
  std::vector<std::string> mayInclude;
};

const std::vector<FolderRow> kFolders = {
    {"common", {}},
    {"catalogue", {"common"}},
    {"history", {"common"}},
    {"device", {"common", "history"}},
    {"machine", {"common", "device"}},
    {"services", {"common", "device"}},
    {"tools", {"common", "device"}},
    {"grid", {"common"}},
    {"ui", {"common", "grid"}},
    {"ui/upload", {"common", "history", "device", "services", "ui"}},
    {"autoselect",
     {"common", "catalogue", "history", "device", "services", "grid", "ui", "ui/upload"}},
    {"poweron", {"common", "history", "device", "services", "grid", "ui", "ui/upload"}},
    {"historyview", {"common", "catalogue", "history", "services", "ui", "autoselect", "poweron"}},
    {"fuzz", {"common", "autoselect", "poweron"}},
    {"cli",
     {"common", "catalogue", "history", "device", "machine", "services", "autoselect", "poweron",
      "historyview"}},
    {"app",
     {"common", "catalogue", "history", "device", "machine", "services", "grid", "ui", "ui/upload",
      "autoselect", "poweron", "historyview"}},
    // The helpers of every test: anything but the programs' tops.
    {"tests/support",
     {"common", "catalogue", "history", "device", "machine", "services", "tools", "grid", "ui",
      "ui/upload", "autoselect", "poweron", "historyview"}},
    {"bench",
     {"common", "history", "device", "services", "ui", "ui/upload", "autoselect", "poweron",
      "historyview", "tests/support"}},
};

// What a test folder may include beyond what the folder it tests may, that
// folder and tests/support/.
const std::map<std::string, std::vector<std::string>> kTestExtras = {
    {"tests/device", {"autoselect", "poweron"}},  // the upload sequence with both uploads' plans
    {"tests/e2e",
     {"app", "ui", "ui/upload", "grid", "machine", "services", "device", "autoselect", "poweron",
      "common", "history", "historyview"}},
    {"tests/layering", {}},
};

// The row of folder in kFolders, or null.
const FolderRow* RowOf(const std::string& folder) {
  for (const FolderRow& row : kFolders) {
    if (row.folder == folder) return &row;
  }
  return nullptr;
}

// The folder of kFolders (or the test folder tests/<folder>) that holds path,
// relative to the root, with the longest name; empty when none does.
std::string FolderOf(const fs::path& relative) {
  const std::string path = relative.generic_string();
  std::string best;
  auto consider = [&](const std::string& folder) {
    if (path.rfind(folder + "/", 0) == 0 && folder.size() > best.size()) best = folder;
  };
  for (const FolderRow& row : kFolders) {
    consider(row.folder);
    consider("tests/" + row.folder);
  }
  for (const auto& [folder, extras] : kTestExtras) consider(folder);
  return best;
}

// The folders a file in folder may include, itself among them.
std::set<std::string> Allowed(const std::string& folder) {
  std::set<std::string> allowed{folder};
  std::string tested = folder;
  if (folder.rfind("tests/", 0) == 0 && folder != "tests/support") {
    tested = folder.substr(6);
    allowed.insert({tested, "tests/support"});
    if (const auto extras = kTestExtras.find(folder); extras != kTestExtras.end()) {
      allowed.insert(extras->second.begin(), extras->second.end());
    }
  }
  if (const FolderRow* row = RowOf(tested))
    allowed.insert(row->mayInclude.begin(), row->mayInclude.end());
  return allowed;
}

// Every quoted include, in the folders of the table and their tests, of a
// file in a folder its row does not allow, as "path:line: target", sorted.
// "support/x.h" is tests/support/x.h; other targets are found from root or
// beside the including file. skip as for SourcesIn.
std::vector<std::string> IncludesAgainstTheTable(const fs::path& root, const fs::path& skip = {}) {
  std::vector<std::string> found;
  for (const fs::path& path : SourcesIn(root, skip)) {
    const std::string folder = FolderOf(path.lexically_relative(root));
    if (folder.empty()) continue;
    const std::set<std::string> allowed = Allowed(folder);
    for (const Include& include : IncludesOf(path)) {
      if (!include.quoted) continue;
      fs::path target = include.target.rfind("support/", 0) == 0 ? root / "tests" / include.target
                                                                 : root / include.target;
      if (!fs::exists(target) && fs::exists(path.parent_path() / include.target)) {
        target = path.parent_path() / include.target;
      }
      const std::string targetFolder = FolderOf(target.lexically_normal().lexically_relative(root));
      if (allowed.count(targetFolder) == 0)
        found.push_back(Where(root, path, include.line) + ": " + include.target);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

void Write(const TempDir& tree, const std::string& file, const std::string& text) {
  fs::create_directories(fs::path(tree.File(file)).parent_path());
  TempDir::WriteAll(tree.File(file), text);
}

TEST(LayeringCheck, FindsAppIncludedFromBelowButNotFromAppOrItsTests) {
  TempDir tree;
  Write(tree, "app/korapc.cpp", "#include \"app/koraglobals.h\"\n");
  Write(tree, "tests/app/test_korapc.cpp", "#include \"app/korapc.h\"\n");
  Write(tree, "tests/e2e/test_newuser.cpp", "#include \"app/korapc.h\"\n");
  Write(tree, "build/default/moc_korapc.cpp", "#include \"../../app/korapc.h\"\n");
  Write(tree, "device/koracomm.cpp",
        "#include \"device/koracomm.h\"\n\n  #  include \"app/koraglobals.h\"\n");
  Write(tree, "ui/pageparts.h", "#include \"../app/icons.h\"\n");
  Write(tree, "tests/device/test_koracomm.cpp", "#include <app/koraglobals.h>\n");
  Write(tree, "grid/esstringgrid.cpp", "#include \"grid/app/esstringgrid.h\"  // app/ of grid\n");
  Write(tree, "common/notes.txt", "#include \"app/koraglobals.h\"\n");
  EXPECT_EQ(AppIncludesOutsideApp(tree.path()),
            (std::vector<std::string>{"device/koracomm.cpp:3: app/koraglobals.h",
                                      "tests/device/test_koracomm.cpp:1: app/koraglobals.h",
                                      "ui/pageparts.h:1: ../app/icons.h"}));
}

TEST(LayeringCheck, FindsEveryIncludeThatTheFolderTableDoesNotAllow) {
  // Each file of a small tree and its text.
  const std::vector<std::pair<std::string, std::string>> files = {
      {"common/clock.h", "#pragma once\n"},
      {"device/koracomm.h", "#include \"common/clock.h\"\n"},
      {"device/koracomm.cpp", "#include \"koracomm.h\"\n#include \"ui/upload/uploadrunner.h\"\n"},
      {"ui/upload/uploadrunner.h", "#include \"device/koracomm.h\"\n#include <QWidget>\n"},
      {"ui/icons.h", "#include \"upload/uploadrunner.h\"\n"},  // from beside it
      {"tests/support/fakeclock.h", "#include \"common/clock.h\"\n"},
      {"tests/device/test_koracomm.cpp",
       "#include \"device/koracomm.h\"\n#include \"support/fakeclock.h\"\n#include \"grid/x.h\"\n"},
      {"tests/ui/upload/test_uploadrunner.cpp", "#include \"ui/upload/uploadrunner.h\"\n"},
      {"common/clock.cpp", "#include \"app/korapc.h\"\n"},
      {"scripts/notes.cpp", "#include \"app/korapc.h\"\n"},  // in no folder of the table
  };
  TempDir tree;
  for (const auto& [file, text] : files) Write(tree, file, text);
  EXPECT_EQ(
      IncludesAgainstTheTable(tree.path()),
      (std::vector<std::string>{
          "common/clock.cpp:1: app/korapc.h", "device/koracomm.cpp:2: ui/upload/uploadrunner.h",
          "tests/device/test_koracomm.cpp:3: grid/x.h", "ui/icons.h:1: upload/uploadrunner.h"}));
}

TEST(LayeringCheck, FindsAQtHeaderACoreSourceReachesThroughItsOwnHeaders) {
  TempDir tree;
  const fs::path root = tree.path();
  Write(tree, "device/koracomm.cpp", "#include \"device/koracomm.h\"\n#include <string>\n");
  Write(tree, "device/koracomm.h", "#include \"common/messagesink.h\"\n");
  Write(tree, "common/messagesink.h", "#include <optional>\n#include \"text.h\"\n");
  Write(tree, "common/text.h", "#pragma once\n#include <QString>\n");
  Write(tree, "catalogue/keycatalogue.cpp", "#include <vector>\n");
  Write(tree, "catalogue/keycatalogue.h", "#include <QtCore/qglobal.h>\n");  // beside its .cpp
  Write(tree, "poweron/tpoweron.cpp", "#include <qglobal.h>\n#include <queue>\n");
  Write(tree, "ui/ansitext.h", "#include <QWidget>\n");  // GUI, not listed
  EXPECT_EQ(
      QtIncludesReachedFrom(root,
                            {root / "device/koracomm.cpp", root / "catalogue/keycatalogue.cpp",
                             root / "poweron/tpoweron.cpp"}),
      (std::vector<std::string>{"catalogue/keycatalogue.h:1: QtCore/qglobal.h",
                                "common/text.h:2: QString", "poweron/tpoweron.cpp:1: qglobal.h"}));
}

TEST(Layering, NothingOutsideAppAndItsTestsIncludesApp) {
  EXPECT_EQ(AppIncludesOutsideApp(KORAPC_SOURCE_DIR, KORAPC_BINARY_DIR),
            std::vector<std::string>{});
}

TEST(Layering, EveryFolderNamesOnlyFoldersBelowIt) {
  std::set<std::string> below;
  for (const FolderRow& row : kFolders) {
    for (const std::string& other : row.mayInclude)
      EXPECT_EQ(below.count(other), 1u) << row.folder << " -> " << other;
    below.insert(row.folder);
  }
  for (const auto& [folder, extras] : kTestExtras) {
    for (const std::string& other : extras)
      EXPECT_EQ(below.count(other), 1u) << folder << " -> " << other;
  }
}

TEST(Layering, EveryIncludeFollowsTheFolderTable) {
  EXPECT_EQ(IncludesAgainstTheTable(KORAPC_SOURCE_DIR, KORAPC_BINARY_DIR),
            std::vector<std::string>{});
}

TEST(Layering, TheCoreAndItsTestsIncludeNoQtHeader) {
  const std::vector<fs::path> files = ListedSources(KORAPC_CORE_SOURCES_FILE);
  // The list comes from the build; a broken list must not pass for a clean core.
  ASSERT_GT(files.size(), 20u);
  for (const fs::path& file : files) EXPECT_TRUE(fs::is_regular_file(file)) << file;
  EXPECT_NE(
      std::find(files.begin(), files.end(), fs::path(KORAPC_SOURCE_DIR) / "device/koracomm.cpp"),
      files.end());
  EXPECT_EQ(QtIncludesReachedFrom(KORAPC_SOURCE_DIR, files), std::vector<std::string>{});
}

}  // namespace
