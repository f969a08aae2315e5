#include "support/virtualkorahost.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

using std::chrono::milliseconds;

// What the program logs on SIGUSR1 once every earlier line is written.
const std::string kUpToDate = "SIGUSR1: log and dump up to date";

std::size_t CountOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
    ++count;
  return count;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string VirtualKoraHost::ProgramPath() {
  const char* path = std::getenv("KORAPC_VIRTUAL_KORA");
  return path ? std::string(path) : std::string();
}

VirtualKoraHost::VirtualKoraHost(const std::vector<std::string>& extraArgs, int output)
    : link_(dir_.File("ttyKORA1")),
      dump_(dir_.File("memory.bin")),
      log_(dir_.File("virtualkora.log")) {
  const std::string program = ProgramPath();
  if (program.empty() || ::access(program.c_str(), X_OK) != 0) {
    throw std::runtime_error("KORAPC_VIRTUAL_KORA does not name the virtual KORA-1");
  }
  // Every byte with its time in the log, which is printed when a test fails.
  std::vector<std::string> args = {program, "--link", link_, "--dump", dump_, "--trace"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (output >= 0) {
    ::posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    logToFile_ = false;
  }
  ::posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const int failed = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start the virtual KORA-1");
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Exists(link_)) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("the virtual KORA-1 ended at start: " + Log());
    }
    if (std::chrono::steady_clock::now() > deadline) {
      Stop();
      throw std::runtime_error("the virtual KORA-1 did not link " + link_);
    }
    std::this_thread::sleep_for(milliseconds(5));
  }
}

VirtualKoraHost::~VirtualKoraHost() {
  Stop();
  // What the instrument saw is what explains a failed test.
  if (::testing::Test::HasFailure()) {
    std::cerr << "--- the virtual KORA-1's log ---\n" << Log() << "--- end of the log ---\n";
  }
}

int VirtualKoraHost::Stop() {
  if (pid_ < 0) return -1;
  ::kill(pid_, SIGTERM);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(milliseconds(5));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::uint8_t> VirtualKoraHost::Memory() const {
  const std::string bytes = TempDir::ReadAll(dump_);
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::string VirtualKoraHost::Log() const {
  std::string log = TempDir::ReadAll(log_);
  if (pid_ > 0 && logToFile_) {
    const std::size_t confirmed = CountOf(log, kUpToDate);
    ::kill(pid_, SIGUSR1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (CountOf(log = TempDir::ReadAll(log_), kUpToDate) <= confirmed &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(milliseconds(1));
    }
  }
  std::string lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (line != kUpToDate) lines += line + "\n";
  }
  return lines;
}

std::vector<std::string> VirtualKoraHost::Commands() const {
  // Lines of the form "command 12: A272D0R -> V".
  std::vector<std::string> commands;
  std::istringstream lines(Log());
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("command ", 0) != 0) continue;
    const auto colon = line.find(": ");
    const auto arrow = line.rfind(" -> ");
    if (colon != std::string::npos && arrow != std::string::npos && arrow > colon) {
      commands.push_back(line.substr(colon + 2, arrow - colon - 2));
    }
  }
  return commands;
}

bool VirtualKoraHost::WaitForLog(const std::string& text, int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + milliseconds(timeoutMs);
  // The log as written so far: the program writes each line soon after the
  // answer it belongs to.
  while (TempDir::ReadAll(log_).find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return true;
}
