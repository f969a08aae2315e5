#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "machine/koraglobals.h"
#include "support/scopedenv.h"
#include "support/tempdir.h"
#include "support/virtualkorahost.h"

extern char** environ;

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Every case points TMPDIR at a folder of its own, so that the fallback is
// made there and never in the machine's /tmp.
class RuntimeFolderTest : public ::testing::Test {
 protected:
  std::string Fallback() const { return tmp.path() + "/korapc-" + std::to_string(::geteuid()); }
  TempDir tmp;
  ScopedEnv tmpdir{"TMPDIR", tmp.path().c_str()};
};

TEST_F(RuntimeFolderTest, APrivateXdgRuntimeDirIsUsed) {
  TempDir runtime;  // made by mkdtemp: ours, mode 0700
  ASSERT_EQ(ModeOf(runtime.path()), 0700u);
  const ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.path().c_str());
  EXPECT_EQ(GetRuntimeFolder(), runtime.path() + "/");
  EXPECT_EQ(GetVirtualKoraLinkPath(), runtime.path() + "/ttyKORA1");
  EXPECT_FALSE(std::filesystem::exists(Fallback()));
}

TEST_F(RuntimeFolderTest, WithoutXdgRuntimeDirAPrivateFolderIsMadeInTmpdir) {
  const ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);
  EXPECT_EQ(GetRuntimeFolder(), Fallback() + "/");
  EXPECT_EQ(ModeOf(Fallback()), 0700u);
  EXPECT_EQ(GetVirtualKoraLinkPath(), Fallback() + "/ttyKORA1");
  EXPECT_EQ(GetRuntimeFolder(), Fallback() + "/");  // found again, still private
}

TEST_F(RuntimeFolderTest, AnXdgRuntimeDirThatIsRelativeOpenToOthersOrALinkIsPassedOver) {
  TempDir runtime;
  ASSERT_EQ(::chmod(runtime.path().c_str(), 0755), 0);
  {
    const ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.path().c_str());
    EXPECT_EQ(GetRuntimeFolder(), Fallback() + "/");
  }
  {
    const ScopedEnv xdg("XDG_RUNTIME_DIR", "relative/run");
    EXPECT_EQ(GetRuntimeFolder(), Fallback() + "/");
  }
  TempDir other;
  const std::string link = other.File("run");
  ASSERT_EQ(::symlink(tmp.path().c_str(), link.c_str()), 0);
  {
    const ScopedEnv xdg("XDG_RUNTIME_DIR", link.c_str());
    EXPECT_EQ(GetRuntimeFolder(), Fallback() + "/");
  }
}

TEST_F(RuntimeFolderTest, AFallbackFolderOpenToOthersIsRefusedAndLeftAsItIs) {
  const ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);
  ASSERT_EQ(::mkdir(Fallback().c_str(), 0700), 0);
  ASSERT_EQ(::chmod(Fallback().c_str(), 0777), 0);
  EXPECT_EQ(GetRuntimeFolder(), "");
  EXPECT_EQ(GetVirtualKoraLinkPath(), "");
  EXPECT_EQ(ModeOf(Fallback()), 0777u);
}

TEST_F(RuntimeFolderTest, AFallbackThatIsALinkIsRefusedEvenWhenItLeadsToAPrivateFolder) {
  const ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);
  TempDir elsewhere;  // private, but someone could have made the link
  ASSERT_EQ(::symlink(elsewhere.path().c_str(), Fallback().c_str()), 0);
  EXPECT_EQ(GetRuntimeFolder(), "");
}

TEST_F(RuntimeFolderTest, AFallbackFolderOfAnotherUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  const ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);
  ASSERT_EQ(::mkdir(Fallback().c_str(), 0700), 0);
  ASSERT_EQ(::chown(Fallback().c_str(), 4242, 4242), 0);
  EXPECT_EQ(GetRuntimeFolder(), "");
}

// What the virtual KORA-1 program makes of the same folder: ./run asks it
// where to put the log and waits for the link there.
class VirtualKoraFolderTest : public RuntimeFolderTest {
 protected:
  void SetUp() override {
    program = VirtualKoraHost::ProgramPath();
    if (program.empty()) GTEST_SKIP() << "KORAPC_VIRTUAL_KORA is not set";
  }
  // Runs the program with args; its standard output, and its exit status in
  // *status. A program that wrongly stays up is stopped after 10 seconds.
  std::string Run(const std::string& args, int* status) const {
    FILE* out = ::popen(("timeout 10 " + program + " " + args + " 2>/dev/null").c_str(), "r");
    std::string text;
    char buffer[256];
    while (out != nullptr && std::fgets(buffer, sizeof buffer, out) != nullptr) text += buffer;
    const int raw = out != nullptr ? ::pclose(out) : -1;
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return text;
  }
  std::string program;
};

TEST_F(VirtualKoraFolderTest, ItPrintsTheRuntimeFolderOrFailsWhenThereIsNone) {
  TempDir runtime;
  int status = -1;
  {
    const ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.path().c_str());
    EXPECT_EQ(Run("--runtime-folder", &status), runtime.path() + "/\n");
    EXPECT_EQ(status, 0);
  }
  const ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);
  ASSERT_EQ(::mkdir(Fallback().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(Fallback().c_str(), 0777), 0);  // someone made it open to all
  EXPECT_EQ(Run("--runtime-folder", &status), "");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Run("", &status), "");  // and it will not link anything there
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Fallback() + "/ttyKORA1")));
}

TEST_F(VirtualKoraFolderTest, WithoutLinkItLinksInTheRuntimeFolderAndRemovesTheLinkAtTheEnd) {
  TempDir runtime;
  const ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.path().c_str());
  const std::string link = runtime.File("ttyKORA1");
  char* argv[] = {program.data(), nullptr};
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  ASSERT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
  ::posix_spawn_file_actions_destroy(&actions);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!std::filesystem::is_symlink(std::filesystem::symlink_status(link)) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::error_code ec;
  const std::string target = std::filesystem::read_symlink(link, ec).string();
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_EQ(target.rfind("/dev/pts/", 0), 0u) << target;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  EXPECT_FALSE(std::filesystem::exists(Fallback()));  // the private folder needed no fallback
}

}  // namespace
