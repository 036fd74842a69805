// The default dictionary, made once per build from Debian's FreeDict eng-hun
// and hun-eng data the way tools/make-dictionary makes it (freedict2tsv,
// vxbtool create, vxbtool import), and kept in the build folder for every
// test that needs the real rows. Test processes running at once wait for
// each other on a lock file; a half-made dictionary is never used (the
// directory is filled under another name and renamed when complete).
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/tools/program_run.h"

namespace vexilo::api::testing {

// Whether Debian's FreeDict dictionaries are installed.
inline bool FreeDictInstalled() {
  return std::filesystem::exists("/usr/share/dictd/freedict-eng-hun.index") &&
         std::filesystem::exists("/usr/share/dictd/freedict-hun-eng.index");
}

// The directory holding Eng_hun, made when missing; empty when making it
// failed (the reason in `error`).
inline std::string RealDictionaryDir(std::string& error) {
  namespace stdfs = std::filesystem;
  const stdfs::path root = REAL_DICTIONARY_ROOT;
  const stdfs::path done = root / "dictionary";
  stdfs::create_directories(root);
  const int lockFd = ::open((root / "making.lock").c_str(), O_CREAT | O_RDWR, 0644);
  if (lockFd < 0 || ::flock(lockFd, LOCK_EX) != 0) {
    error = "cannot lock " + (root / "making.lock").string();
    return {};
  }
  struct TUnlock {
    int Fd;
    ~TUnlock() { ::close(Fd); }
  } unlock{lockFd};
  if (stdfs::exists(done / "Eng_hun.vxbt")) return done.string();

  const stdfs::path making = root / "making";
  stdfs::remove_all(making);
  stdfs::create_directories(making);
  const std::string out = (root / "tool.out").string(), err = (root / "tool.err").string();
  const std::string tsv = (making / "rows.tsv").string();
  const std::string table = (making / "Eng_hun").string();
  for (const auto& [program, args] : std::initializer_list<std::pair<std::string, std::vector<std::string>>>{
           {FREEDICT2TSV_PATH, {tsv}},
           {VXBTOOL_PATH,
            {"create", table, "--level", "6", "--collation", "Hungarian", "--blob-block-size", "512",
             "ENG:WideString:80", "HUN:WideString:80", "LEIR:WideMemo?", "--index", "ENG=ENG", "--index", "HUN=HUN"}},
           {VXBTOOL_PATH, {"import", table, tsv}}}) {
    const tools::testing::TToolRun run = tools::testing::RunProgram(program, args, out, err);
    if (run.Status != 0) {
      error = program + " failed: " + run.Err;
      return {};
    }
  }
  stdfs::remove(tsv);
  stdfs::remove_all(done);
  stdfs::rename(making, done);
  return done.string();
}

}  // namespace vexilo::api::testing
