// Replacing a file through a temporary, and clearing away the temporaries a
// killed process leaves: a stale one goes, one that is being written stays.
#include "common/replacefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <climits>
#include <csignal>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace {

// Write end of a pipe; while it is open, fsync reports on it and then waits
// for good, so that a child process can be stopped in the middle of a save.
int gPauseInFsync = -1;

}  // namespace

// Stands in for the C library's fsync in this test program (the library is
// linked statically, so replacefile.cpp calls this one).
extern "C" int fsync(int fd) {
  if (gPauseInFsync >= 0) {
    const char ready = 'w';
    (void)!::write(gPauseInFsync, &ready, 1);
    for (;;) ::pause();
  }
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace {

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  while (const dirent* entry = dir != nullptr ? ::readdir(dir) : nullptr) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.insert(name);
  }
  if (dir != nullptr) ::closedir(dir);
  return names;
}

// The pid of a process that has ended.
pid_t EndedPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

std::string Stale(pid_t pid, const std::string& random) {
  return ".korapc.ini.korapc-tmp-" + std::to_string(pid) + "-" + random;
}

TEST(ReplaceFile, TheTemporaryIsHiddenAndNamedAfterTheFileAndTheProcess) {
  EXPECT_EQ(TemporaryTemplate("/data/korapc.ini", 4321),
            "/data/.korapc.ini.korapc-tmp-4321-XXXXXX");
  EXPECT_EQ(TemporaryTemplate("autoselect.asl", 7), ".autoselect.asl.korapc-tmp-7-XXXXXX");
  // A name at the limit is shortened so that the temporary's name still fits.
  const std::string full = "/d/" + std::string(NAME_MAX, 'n');
  const std::string temp = TemporaryTemplate(full, 99999);
  EXPECT_EQ(temp.size() - 3, static_cast<std::size_t>(NAME_MAX));
  EXPECT_EQ(temp.substr(temp.size() - 24), ".korapc-tmp-99999-XXXXXX");

  TempDir dir;
  ASSERT_TRUE(ReplaceFileContents(dir.File("long" + std::string(NAME_MAX - 4, 'x')), "ok"));
  ASSERT_TRUE(ReplaceFileContents(dir.File("korapc.ini"), "[A]\n"));
  EXPECT_EQ(Names(dir.path()).size(), 2u);  // no temporary is left after a save
}

TEST(ReplaceFile, AKillDuringASaveLeavesTheOldFileAndATemporaryThatOnlyTheNextStartRemoves) {
  TempDir dir;
  const std::string path = dir.File("korapc.ini");
  TempDir::WriteAll(path, "[OLD]\n");
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    ::close(pipeFds[0]);
    gPauseInFsync = pipeFds[1];
    static_cast<void>(ReplaceFileContents(path, "[NEW]\n"));  // killed inside it
    ::_exit(1);
  }
  ::close(pipeFds[1]);
  char ready = 0;
  ASSERT_EQ(::read(pipeFds[0], &ready, 1), 1);  // the writer is inside its save
  ::close(pipeFds[0]);

  std::set<std::string> names = Names(dir.path());
  ASSERT_EQ(names.size(), 2u);
  names.erase("korapc.ini");
  const std::string temp = *names.begin();
  const std::string prefix = ".korapc.ini.korapc-tmp-" + std::to_string(writer) + "-";
  EXPECT_EQ(temp.substr(0, prefix.size()), prefix);
  EXPECT_EQ(temp.size(), prefix.size() + 6);

  // Another KORApc starting now leaves the writer's temporary alone.
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 0);
  EXPECT_EQ(Names(dir.path()).count(temp), 1u);

  ASSERT_EQ(::kill(writer, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(writer, &status, 0), writer);
  EXPECT_EQ(TempDir::ReadAll(path), "[OLD]\n");
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 1);
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"korapc.ini"});
  EXPECT_EQ(TempDir::ReadAll(path), "[OLD]\n");
}

TEST(ReplaceFile, OnlyUnlockedTemporariesOfEndedProcessesAreRemoved) {
  TempDir dir;
  const pid_t ended = EndedPid();
  const std::string stale = Stale(ended, "Ab12Cd");
  const std::string staleAsl = ".autoselect.asl.korapc-tmp-" + std::to_string(ended) + "-zz99ZZ";
  const std::string locked = Stale(ended, "LOCKED");
  const std::string running = Stale(::getppid(), "parent");
  const std::string mine = Stale(::getpid(), "itsown");
  const std::string kept[] = {"korapc.ini",
                              "korapc.ini.wCnq18",
                              "notes.korapc-tmp-1-abcdef",
                              ".korapc.ini.korapc-tmp-x1-abcdef",
                              ".korapc.ini.korapc-tmp-5-abcde",
                              ".korapc.ini.korapc-tmp-5-abc-ef"};
  for (const std::string& name : {stale, staleAsl, locked, running, mine})
    TempDir::WriteAll(dir.File(name), "x");
  for (const std::string& name : kept) TempDir::WriteAll(dir.File(name), "x");
  // A link or a folder under such a name is not a temporary of ours.
  const std::string link = Stale(ended, "LINK00");
  const std::string folder = Stale(ended, "FOLDER");
  ASSERT_EQ(::symlink(dir.File("korapc.ini").c_str(), dir.File(link).c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File(folder).c_str(), 0700), 0);
  // Locked as a writer in another container would hold it.
  const int lockFd = ::open(dir.File(locked).c_str(), O_RDONLY);
  ASSERT_GE(lockFd, 0);
  ASSERT_EQ(::flock(lockFd, LOCK_EX), 0);

  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 2);
  std::set<std::string> expected(std::begin(kept), std::end(kept));
  expected.insert({locked, running, mine, link, folder});
  EXPECT_EQ(Names(dir.path()), expected);
  EXPECT_EQ(TempDir::ReadAll(dir.File("korapc.ini")), "x");  // the link's target

  ::close(lockFd);
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 1);  // no longer locked
  EXPECT_EQ(Names(dir.path()).count(locked), 0u);
  EXPECT_EQ(RemoveStaleTemporaries(dir.path() + "/no-such-folder"), 0);
}

}  // namespace
