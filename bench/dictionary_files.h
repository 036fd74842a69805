// The files the dictionary benchmarks read, made on first use in the
// benchmark's directory (bench_dir.h):
//
//   freedict.tsv     the rows Debian's FreeDict eng-hun and hun-eng
//                    dictionaries give (the packages dict-freedict-eng-hun
//                    and dict-freedict-hun-eng), as freedict2tsv writes them;
//   db/Eng_hun.*     the table made from them by vxbtool as
//                    tools/make-dictionary makes it (the program's path is
//                    VEXILO_VXBTOOL, defined by the build);
//   Eng_hun.sqlite   the same rows in SQLite: three TEXT columns, an index
//                    on ENG and one on HUN.
//
// Files kept in $VEXILO_BENCH_DIR by an earlier run are taken as they are
// (remove them after changing how they are made). A file that cannot be made
// ends the program with a message.
#pragma once

#include <errno.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>

#include "bench/bench_dir.h"
#include "tools/freedict/freedict_conversion.h"

namespace vexilo::bench {

[[noreturn]] inline void Die(const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what.c_str());
  std::exit(1);
}

inline void SqliteCheck(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) Die(std::string(what) + ": " + sqlite3_errmsg(db));
}

namespace detail {

inline std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) Die("failed: " + command);
}

inline bool Kept(const std::filesystem::path& file) {
  return std::getenv("VEXILO_BENCH_DIR") && std::filesystem::exists(file);
}

// A TSV field with its escapes (\t, \r, \n, \\) undone.
inline void Unescape(std::string_view field, std::string& out) {
  out.clear();
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size()) {
      const char c = field[++i];
      out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    } else {
      out += field[i];
    }
  }
}

}  // namespace detail

// The files of one benchmark program, in BenchDir(`tempPrefix`).
class TDictionaryFiles {
 public:
  explicit TDictionaryFiles(const char* tempPrefix) : FDir(BenchDir(tempPrefix)) {}

  const std::string& Dir() const { return FDir; }

  // The TSV file of the FreeDict rows, converted on first use.
  const std::string& TsvPath() {
    if (FTsv.empty()) {
      const std::string out = (std::filesystem::path(FDir) / "freedict.tsv").string();
      if (!detail::Kept(out)) {
        std::ostringstream messages;
        try {
          tools::freedict::ConvertFreedict("/usr/share/dictd", out, messages);
        } catch (const std::exception& e) {
          Die(std::string("FreeDict data: ") + e.what() + " (install dict-freedict-eng-hun and dict-freedict-hun-eng)");
        }
      }
      FTsv = out;
    }
    return FTsv;
  }

  // Calls `row` with the ENG, HUN and LEIR texts (UTF-8, unescaped) of
  // every row of the TSV file, in the file's order.
  void ForEachRow(const std::function<void(const std::string (&values)[3])>& row) {
    std::ifstream in(TsvPath(), std::ios::binary);
    std::string line, values[3];
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
      size_t start = 0;
      for (int i = 0; i < 3; ++i) {
        const size_t from = std::min(start, line.size());
        size_t tab = i < 2 ? line.find('\t', from) : line.size();
        if (tab == std::string::npos) tab = line.size();
        detail::Unescape(std::string_view(line).substr(from, tab - from), values[i]);
        start = tab + 1;
      }
      row(values);
    }
  }

  // The database directory holding the table Eng_hun, made by vxbtool.
  const std::string& DictionaryDir() {
    if (FDictionary.empty()) {
      const std::filesystem::path db = std::filesystem::path(FDir) / "db";
      if (!detail::Kept(db / "Eng_hun.vxbt")) {
        std::filesystem::remove_all(db);
        std::filesystem::create_directories(db);
        const std::string table = detail::Quoted((db / "Eng_hun").string());
        const std::string tool = detail::Quoted(VEXILO_VXBTOOL);
        detail::Run(tool + " create " + table +
                    " --level 6 --collation Hungarian --blob-block-size 512"
                    " ENG:WideString:80 HUN:WideString:80 LEIR:WideMemo? --index ENG=ENG --index HUN=HUN >/dev/null");
        detail::Run(tool + " import " + table + " " + detail::Quoted(TsvPath()) + " >/dev/null 2>&1");
      }
      FDictionary = db.string();
    }
    return FDictionary;
  }

  // The SQLite database of the same rows, made on first use.
  const std::string& SqlitePath() {
    if (FSqlite.empty()) {
      const std::string file = (std::filesystem::path(FDir) / "Eng_hun.sqlite").string();
      if (!detail::Kept(file)) MakeSqlite(file);
      FSqlite = file;
    }
    return FSqlite;
  }

 private:
  void MakeSqlite(const std::string& file) {
    std::filesystem::remove(file);
    sqlite3* db = nullptr;
    SqliteCheck(sqlite3_open(file.c_str(), &db), db, "open");
    SqliteCheck(sqlite3_exec(db,
                             "CREATE TABLE Eng_hun (ENG TEXT, HUN TEXT, LEIR TEXT);"
                             "CREATE INDEX ENG ON Eng_hun (ENG);"
                             "CREATE INDEX HUN ON Eng_hun (HUN);"
                             "BEGIN;",
                             nullptr, nullptr, nullptr),
                db, "create");
    sqlite3_stmt* insert = nullptr;
    SqliteCheck(sqlite3_prepare_v2(db, "INSERT INTO Eng_hun VALUES (?, ?, ?)", -1, &insert, nullptr), db, "prepare");
    ForEachRow([&](const std::string (&values)[3]) {
      for (int i = 0; i < 3; ++i) {
        sqlite3_bind_text(insert, i + 1, values[i].data(), static_cast<int>(values[i].size()), SQLITE_STATIC);
      }
      SqliteCheck(sqlite3_step(insert), db, "insert");
      sqlite3_reset(insert);
    });
    sqlite3_finalize(insert);
    SqliteCheck(sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
  }

  std::string FDir;
  std::string FTsv;
  std::string FDictionary;
  std::string FSqlite;
};

}  // namespace vexilo::bench
