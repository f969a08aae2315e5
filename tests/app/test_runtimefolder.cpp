#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/koraglobals.h"
#include "support/scopedenv.h"
#include "support/tempdir.h"

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st{};
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

}  // namespace
