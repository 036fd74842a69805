#include "tools/freedict/freedict_conversion.h"

#include <filesystem>
#include <optional>
#include <sstream>
#include <vector>

#include "fs/text.h"
#include "tools/freedict/dictd_dictionary.h"
#include "tools/freedict/freedict_entry.h"
#include "tools/freedict/freedict_error.h"
#include "tools/freedict/legacy_spelling.h"
#include "tools/freedict/tsv_file.h"

namespace vexilo::tools::freedict {

namespace {

enum class TDirection { EngHun, HunEng };

struct TDictionaryFiles {
  std::string Name;
  std::string Package;
  std::string IndexPath;
  std::string DataPath;
  TDirection Direction;
};

TDictionaryFiles FilesOf(const std::string& dictdDir, const std::string& name, TDirection direction) {
  const std::filesystem::path dir(dictdDir);
  return {name, "dict-" + name, (dir / (name + ".index")).string(), (dir / (name + ".dict.dz")).string(),
          direction};
}

// The first of the dictionary's files that is missing, if any.
std::optional<std::string> MissingFile(const TDictionaryFiles& files) {
  for (const std::string& path : {files.IndexPath, files.DataPath}) {
    if (!std::filesystem::exists(path)) return path;
  }
  return std::nullopt;
}

void AddDictionary(const TDictionaryFiles& files, TDictionaryRowBuilder& builder, TConversionSummary& summary) {
  const std::vector<TDictdEntry> entries = ReadDictdDictionary(files.IndexPath, files.DataPath);
  const bool engHun = files.Direction == TDirection::EngHun;
  (engHun ? summary.EngHunEntries : summary.HunEngEntries) = entries.size();
  for (const TDictdEntry& raw : entries) {
    const std::u16string utf16 = fs::Utf8ToUtf16(raw.Text);
    if (fs::Utf16ToUtf8(utf16) != raw.Text) ++summary.EntriesWithBadUtf8;
    const std::u16string text = RepairEntryText(utf16, engHun);
    const std::optional<TFreedictEntry> entry = ParseFreedictEntry(text);
    if (!entry) {
      ++summary.EntriesWithoutHeadword;
    } else if (entry->Translations.empty()) {
      ++summary.EntriesWithoutTranslations;
    } else if (engHun) {
      builder.AddEngHunEntry(*entry);
    } else {
      builder.AddHunEngEntry(*entry);
    }
  }
}

// The figures of `field` for every column width, separated by slashes.
std::string Figures(const TRowStatistics& rows, size_t TCutRows::*field) {
  std::ostringstream text;
  for (size_t i = 0; i < kColumnWidths.size(); ++i) text << (i > 0 ? "/" : "") << rows.Cut(i).*field;
  return text.str();
}

}  // namespace

TConversionSummary ConvertFreedict(const std::string& dictdDir, const std::string& outPath, std::ostream& messages) {
  const std::vector<TDictionaryFiles> dictionaries = {
      FilesOf(dictdDir, "freedict-eng-hun", TDirection::EngHun),
      FilesOf(dictdDir, "freedict-hun-eng", TDirection::HunEng),
  };
  std::vector<const TDictionaryFiles*> present;
  std::string missingList;
  for (const TDictionaryFiles& files : dictionaries) {
    if (const std::optional<std::string> missing = MissingFile(files)) {
      if (!missingList.empty()) missingList += ", ";
      missingList += *missing + " (package " + files.Package + ")";
    } else {
      present.push_back(&files);
    }
  }
  if (present.empty()) throw EFreedictError("no FreeDict dictionary found: missing " + missingList);
  if (present.size() < dictionaries.size()) {
    messages << "warning: missing " << missingList << "; using " << present.front()->Name << " alone\n";
  }

  TConversionSummary summary;
  TDictionaryRowBuilder builder;
  for (const TDictionaryFiles* files : present) AddDictionary(*files, builder, summary);
  summary.Pairs = builder.PairCounts();

  TTsvFile out(outPath);
  builder.ForEachRow([&](const TDictionaryRow& row) {
    out.WriteRow(row);
    summary.Rows.Add(row);
  });
  out.Commit();
  return summary;
}

std::string FormatConversionSummary(const TConversionSummary& summary) {
  const TRowStatistics& rows = summary.Rows;
  std::ostringstream text;
  text << "rows: " << rows.Rows() << "\n"
       << "freedict-eng-hun: " << summary.EngHunEntries << " entries, " << summary.Pairs.EngHun << " pairs\n"
       << "freedict-hun-eng: " << summary.HunEngEntries << " entries, " << summary.Pairs.HunEng << " pairs\n"
       << "pairs in both (merged, descriptions joined): " << summary.Pairs.Both << "\n"
       << "entries passed over: " << summary.EntriesWithoutHeadword << " without headword, "
       << summary.EntriesWithoutTranslations << " without translations\n"
       << "entries with bytes that are not UTF-8 (read as U+FFFD): " << summary.EntriesWithBadUtf8 << "\n"
       << "longest (UTF-16 units): ENG " << rows.LongestEng() << ", HUN " << rows.LongestHun() << ", LEIR "
       << rows.LongestLeir() << "\n"
       << "rows cut at ";
  for (size_t i = 0; i < kColumnWidths.size(); ++i) text << (i > 0 ? "/" : "") << kColumnWidths[i];
  text << " units: ENG " << Figures(rows, &TCutRows::Eng) << ", HUN " << Figures(rows, &TCutRows::Hun)
       << ", ENG or HUN " << Figures(rows, &TCutRows::Either) << "\n";
  return text.str();
}

}  // namespace vexilo::tools::freedict
