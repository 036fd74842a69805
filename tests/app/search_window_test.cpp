// The English and Hungarian search windows on the real dictionary, typed
// into letter by letter as a user types: after every keystroke the grid's
// current row and the description are those of the first entry not smaller
// than the text — checked against an independent sort of the rows vxbtool
// reads (another process) by ICU's Hungarian collator at secondary strength
// (accents count, case does not, as the table's collation compares). Also
// the window's layout, Enter, the 40-character limit, "Befejezés", a filter,
// the error box, and entries another process adds and deletes while the
// window is open.
#include <gtest/gtest.h>
#include <unicode/ucol.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "app/english_search_window.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "engine/types/field_codec.h"
#include "app/forms.h"
#include "app/hungarian_search_window.h"
#include "app/main_window.h"
#include "framework/widgets/db_grid.h"
#include "framework/widgets/db_memo.h"
#include "tests/app/dictionary_directory.h"
#include "tests/engine/api/calls/real_dictionary.h"
#include "tests/framework_widgets/answering_message_boxes.h"
#include "tests/framework_widgets/typing.h"
#include "tests/tools/json_reader.h"

namespace vexilo::app {
namespace {

using vexilo::testing::TAnsweringMessageBoxes;

struct TCollatorCloser {
  void operator()(UCollator* collator) const { ucol_close(collator); }
};

// The entries of a dictionary as another process reads them, and their two
// orders by ICU's Hungarian collator (equal keys in record order, as an
// index orders them).
class TEntries {
 public:
  struct TRow {
    int32_t RecNo = 0;
    QString Text[3];      // ENG, HUN, LEIR
    std::string Key[2];   // ICU sort keys of ENG and HUN
  };
  enum TColumn { kEng = 0, kHun = 1 };

  TEntries() {
    UErrorCode status = U_ZERO_ERROR;
    FCollator.reset(ucol_open("hu", &status));
    ucol_setStrength(FCollator.get(), UCOL_SECONDARY);
  }

  void Read(const testing::TDictionaryDirectory& tool, const std::string& table) {
    FRows.clear();
    const std::string out = tool.Tool({"query", table, "1 = 1"});
    size_t start = 0;
    while (start < out.size()) {
      const size_t end = std::min(out.find('\n', start), out.size());
      if (auto value = tools::testing::TJsonReader::Parse(out.substr(start, end - start))) {
        TRow row;
        row.RecNo = std::stoi(value->Member("_recno")->Text);
        const char* columns[] = {"ENG", "HUN", "LEIR"};
        for (int i = 0; i < 3; ++i) {
          const tools::testing::TJsonValue* member = value->Member(columns[i]);
          row.Text[i] = member == nullptr ? QString() : QString::fromStdString(member->Text);
        }
        row.Key[kEng] = SortKey(row.Text[kEng]);
        row.Key[kHun] = SortKey(row.Text[kHun]);
        FRows.push_back(std::move(row));
      }
      start = end + 1;
    }
    for (const TColumn column : {kEng, kHun}) {
      std::vector<size_t>& order = FOrder[column];
      order.resize(FRows.size());
      std::iota(order.begin(), order.end(), 0);
      std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return FRows[a].Key[column] != FRows[b].Key[column] ? FRows[a].Key[column] < FRows[b].Key[column]
                                                            : FRows[a].RecNo < FRows[b].RecNo;
      });
    }
  }

  std::string SortKey(const QString& text) const {
    const std::u16string wide = text.toStdU16String();
    std::string key(64, '\0');
    for (;;) {
      const int32_t length = ucol_getSortKey(FCollator.get(), wide.data(), static_cast<int32_t>(wide.size()),
                                             reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
      if (length <= static_cast<int32_t>(key.size())) {
        key.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));
        return key;
      }
      key.resize(static_cast<size_t>(length));
    }
  }

  // The entry a nearest search for `text` in `column`'s order lands on among
  // the rows for which `visible` holds: the first not smaller, else the last.
  const TRow* Nearest(TColumn column, const QString& text,
                      const std::function<bool(const TRow&)>& visible = {}) const {
    const std::vector<size_t>& order = FOrder[column];
    const std::string key = SortKey(text);
    auto it = std::lower_bound(order.begin(), order.end(), key,
                               [&](size_t row, const std::string& k) { return FRows[row].Key[column] < k; });
    for (; it != order.end(); ++it) {
      if (!visible || visible(FRows[*it])) return &FRows[*it];
    }
    for (auto back = order.rbegin(); back != order.rend(); ++back) {
      if (!visible || visible(FRows[*back])) return &FRows[*back];
    }
    return nullptr;
  }

  const TRow& InOrder(TColumn column, size_t position) const { return FRows[FOrder[column].at(position)]; }
  size_t Size() const { return FRows.size(); }
  const std::vector<TRow>& Rows() const { return FRows; }

 private:
  std::unique_ptr<UCollator, TCollatorCloser> FCollator;
  std::vector<TRow> FRows;
  std::vector<size_t> FOrder[2];
};

QString Shown(const QString& description) {
  QString text = description;
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Types `text` into the edit box one key at a time: QTest's key clicks for
// ASCII characters, a key event with the character for the others.
void TypeCharacter(QLineEdit* edit, QChar character) {
  if (character.unicode() < 0x80 && character.unicode() >= 0x20) {
    QTest::keyClick(edit, character.toLatin1());
  } else {
    testing::TypeText(edit, QString(character));
  }
  QCoreApplication::processEvents();
}

class SearchWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!api::testing::FreeDictInstalled()) return;
    std::string error;
    FDictionary = new std::string(api::testing::RealDictionaryDir(error));
    testing::TDictionaryDirectory tool({}, false);
    FEntries = new TEntries;
    if (!FDictionary->empty()) FEntries->Read(tool, *FDictionary + "/Eng_hun");
  }
  static void TearDownTestSuite() {
    delete FEntries;
    FEntries = nullptr;
    delete FDictionary;
    FDictionary = nullptr;
  }

  void SetUp() override {
    if (!api::testing::FreeDictInstalled()) GTEST_SKIP() << "Debian's FreeDict dictionaries are not installed";
    ASSERT_FALSE(FDictionary->empty());
    ASSERT_GT(FEntries->Size(), 200000u);
  }

  // Starts the program in the current directory, opens the window of menu item
  // `item` from the menu and runs `body` while it is open.
  void WithWindow(const char* item, const std::function<void(TExpressionSearchForm&)>& body) {
    // An end of the program asked for earlier (a window of another test
    // said Yes to the exit question) would end the window's modal loop at
    // once: one turn of the application's loop takes it.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    TForms forms;
    Form1->show();
    ASSERT_TRUE(Form1->Table1->Active()) << (FBoxes.Shown.empty() ? "" : FBoxes.Shown[0].Text.toStdString());
    bool ran = false;
    TExpressionSearchForm* const window = std::string_view(item) == "Angol1"
                                              ? static_cast<TExpressionSearchForm*>(Form5)
                                              : static_cast<TExpressionSearchForm*>(Form8);
    // The body runs once the window's modal loop runs; the timers go with
    // `guard`, so none outlives this call.
    QObject guard;
    std::function<void()> attempt = [&] {
      if (!window->isVisible()) {
        QTimer::singleShot(10, &guard, attempt);
        return;
      }
      ran = true;
      body(*window);
      if (window->isVisible()) window->close();
    };
    QTimer::singleShot(0, &guard, attempt);
    Form1->findChild<QAction*>(QString::fromLatin1(item))->trigger();
    EXPECT_TRUE(ran);
  }

  // What the window shows for the current record: the grid's current row
  // and the description, against the entry expected.
  static void ExpectShows(TExpressionSearchForm& window, TEntries::TColumn first, const TEntries::TRow* expected,
                          const QString& typed) {
    SCOPED_TRACE(typed.toStdString());
    ASSERT_NE(expected, nullptr);
    const int row = window.DBGrid1->Row();
    ASSERT_GE(row, 0);
    const TEntries::TColumn second = first == TEntries::kEng ? TEntries::kHun : TEntries::kEng;
    EXPECT_EQ(window.DBGrid1->CellText(row, 0), expected->Text[first]) << "expected record " << expected->RecNo;
    EXPECT_EQ(window.DBGrid1->CellText(row, 1), expected->Text[second]) << "expected record " << expected->RecNo;
    EXPECT_EQ(window.DBMemo1->toPlainText(), Shown(expected->Text[2])) << "expected record " << expected->RecNo;
  }

  // Types `word` into the window letter by letter, checking after every
  // keystroke; then deletes it letter by letter, checking again.
  void TypeAndCheck(TExpressionSearchForm& window, TEntries::TColumn column, const QString& word,
                    const std::function<bool(const TEntries::TRow&)>& visible = {}) {
    for (const QChar character : word) {
      TypeCharacter(window.Edit1, character);
      const QString typed = window.Edit1->text();
      ExpectShows(window, column, FEntries->Nearest(column, typed, visible), typed);
      if (::testing::Test::HasFailure()) return;
    }
    while (!window.Edit1->text().isEmpty()) {
      QTest::keyClick(window.Edit1, Qt::Key_Backspace);
      const QString typed = window.Edit1->text();
      ExpectShows(window, column, FEntries->Nearest(column, typed, visible), typed);
      if (::testing::Test::HasFailure()) return;
    }
  }

  // Headwords sampled evenly from `column`'s order, at most 40 characters.
  std::vector<QString> Sampled(TEntries::TColumn column, int count) const {
    std::vector<QString> words;
    for (int i = 0; i < count; ++i) {
      words.push_back(FEntries->InOrder(column, FEntries->Size() * static_cast<size_t>(i) / count).Text[column].left(40));
    }
    return words;
  }

  static std::string* FDictionary;
  static TEntries* FEntries;
  TAnsweringMessageBoxes FBoxes{false};
};

std::string* SearchWindowTest::FDictionary = nullptr;
TEntries* SearchWindowTest::FEntries = nullptr;

// Runs the test in the real dictionary's directory (read only: nothing is
// changed there).
class TInDictionary {
 public:
  explicit TInDictionary(const std::string& dictionary) : FScratch({}, false) {
    QDir::setCurrent(QString::fromStdString(dictionary));
  }

 private:
  testing::TDictionaryDirectory FScratch;
};

TEST_F(SearchWindowTest, TheEnglishWindowLandsOnTheFirstEntryNotSmallerAfterEveryKeystroke) {
  TInDictionary here(*FDictionary);
  WithWindow("Angol1", [&](TExpressionSearchForm& window) {
    EXPECT_EQ(window.objectName(), QStringLiteral("Form5"));
    EXPECT_EQ(Form1->Table1->IndexName(), u"ENG");
    EXPECT_TRUE(window.Edit1->text().isEmpty());
    ExpectShows(window, TEntries::kEng, &FEntries->InOrder(TEntries::kEng, 0), QString());
    std::vector<QString> words = {QStringLiteral("app"), QStringLiteral("alm"), QStringLiteral("o'clock"),
                                  QStringLiteral("don't"), QStringLiteral("Zebra"), QStringLiteral("zzzzzzzz"),
                                  QStringLiteral("café"), QStringLiteral("naïve")};
    for (const QString& word : Sampled(TEntries::kEng, 25)) words.push_back(word);
    for (const QString& word : words) {
      TypeAndCheck(window, TEntries::kEng, word);
      if (HasFailure()) return;
    }
    // Text after every entry shows the last one.
    for (const QChar character : QStringLiteral("zzzzzzzzzz")) TypeCharacter(window.Edit1, character);
    ExpectShows(window, TEntries::kEng, &FEntries->InOrder(TEntries::kEng, FEntries->Size() - 1), window.Edit1->text());
  });
}

TEST_F(SearchWindowTest, TheHungarianWindowLandsWhereAHungarianReaderLooks) {
  TInDictionary here(*FDictionary);
  WithWindow("Magyar1", [&](TExpressionSearchForm& window) {
    EXPECT_EQ(window.objectName(), QStringLiteral("Form8"));
    EXPECT_EQ(Form1->Table1->IndexName(), u"HUN");
    ExpectShows(window, TEntries::kHun, &FEntries->InOrder(TEntries::kHun, 0), QString());
    std::vector<QString> words = {QStringLiteral("alm"),   QStringLiteral("app"),   QStringLiteral("ő"),
                                  QStringLiteral("Ő"),     QStringLiteral("ű"),     QStringLiteral("Ű"),
                                  QStringLiteral("őszi"),  QStringLiteral("fűz"),   QStringLiteral("Ég"),
                                  QStringLiteral("Álom"),  QStringLiteral("Öröm"),  QStringLiteral("tű"),
                                  QStringLiteral("l'"),    QStringLiteral("zsák"),  QStringLiteral("csősz")};
    for (const QString& word : Sampled(TEntries::kHun, 25)) words.push_back(word);
    for (const QString& word : words) {
      TypeAndCheck(window, TEntries::kHun, word);
      if (HasFailure()) return;
    }
    // A Hungarian reader finds ő among the ö words, Ő with them, and ű
    // among the ü words.
    const auto firstLetter = [&] {
      return window.DBGrid1->CellText(window.DBGrid1->Row(), 0).left(1).toLower();
    };
    for (const QString& typed : {QStringLiteral("ő"), QStringLiteral("Ő"), QStringLiteral("ö")}) {
      window.Edit1->clear();
      TypeCharacter(window.Edit1, typed.at(0));
      EXPECT_TRUE(firstLetter() == QStringLiteral("ö") || firstLetter() == QStringLiteral("ő")) << firstLetter().toStdString();
    }
    window.Edit1->clear();
    TypeCharacter(window.Edit1, QChar(0x0170));  // Ű
    EXPECT_TRUE(firstLetter() == QStringLiteral("ü") || firstLetter() == QStringLiteral("ű")) << firstLetter().toStdString();
    // The Hungarian window shows the Hungarian column first.
    EXPECT_EQ(window.DBGrid1->TitleText(0), QStringLiteral("Magyar"));
    EXPECT_EQ(window.DBGrid1->TitleText(1), QStringLiteral("Angol"));
    // "Befejezés" leaves the table on the English index.
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Form1->Table1->IndexName(), u"ENG");
  });
}

TEST_F(SearchWindowTest, TheWindowLooksAsDescribedAndEnterMovesOn) {
  TInDictionary here(*FDictionary);
  WithWindow("Angol1", [&](TExpressionSearchForm& window) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral(" Angol kifejezés keresése:"));
    EXPECT_EQ(window.Panel1->geometry(), QRect(0, 0, 553, 41));
    EXPECT_EQ(window.Panel2->geometry(), QRect(0, 41, 553, 238));
    EXPECT_EQ(window.Edit1->geometry().topLeft(), QPoint(8, 10));
    EXPECT_EQ(window.Edit1->width(), 393);
    EXPECT_EQ(window.Edit1->maxLength(), 40);
    EXPECT_EQ(window.Edit1->toolTip(), QStringLiteral("Keresendő angol kifejezés"));
    EXPECT_EQ(window.Edit1->statusTip(), QStringLiteral("Keresendő angol kifejezés megadása !"));
    EXPECT_EQ(window.SpeedButton1->geometry(), QRect(411, 8, 25, 25));
    EXPECT_FALSE(window.SpeedButton1->icon().isNull());
    EXPECT_EQ(window.SpeedButton1->toolTip(), QStringLiteral("Szűrés"));
    EXPECT_EQ(window.SpeedButton1->statusTip(), QStringLiteral("Megjelenített adatok szűrése !"));
    EXPECT_EQ(window.BitBtn1->geometry(), QRect(445, 8, 100, 25));
    EXPECT_EQ(window.BitBtn1->text(), QStringLiteral("Befejezés"));
    EXPECT_EQ(window.BitBtn1->toolTip(), QStringLiteral("Befejezés !"));
    EXPECT_EQ(window.DBGrid1->geometry(), QRect(8, 8, 355, 222));
    EXPECT_TRUE(window.DBGrid1->ReadOnly());
    EXPECT_EQ(window.DBGrid1->TitleText(0), QStringLiteral("Angol"));
    EXPECT_EQ(window.DBGrid1->TitleText(1), QStringLiteral("Magyar"));
    EXPECT_EQ(window.Label1->text(), QStringLiteral("Leírás"));
    EXPECT_EQ(window.Label1->pos(), QPoint(366, 8));
    EXPECT_EQ(window.DBMemo1->geometry(), QRect(365, 22, 180, 207));
    EXPECT_TRUE(window.DBMemo1->ReadOnly());
    EXPECT_EQ(window.DBMemo1->DataField(), QStringLiteral("LEIR"));
    // Tab order: the button, then the edit box.
    EXPECT_EQ(window.BitBtn1->nextInFocusChain(), window.Edit1);

    // More than 40 characters cannot be typed.
    window.Edit1->setFocus();
    for (int i = 0; i < 45; ++i) TypeCharacter(window.Edit1, QLatin1Char('a'));
    EXPECT_EQ(window.Edit1->text(), QString(40, QLatin1Char('a')));
    // Enter moves the focus on, searches nothing and closes nothing.
    const QString landed = window.DBGrid1->CellText(window.DBGrid1->Row(), 0);
    QTest::keyClick(window.Edit1, Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    EXPECT_NE(QApplication::focusWidget(), window.Edit1);
    EXPECT_EQ(window.DBGrid1->CellText(window.DBGrid1->Row(), 0), landed);
    EXPECT_EQ(window.Edit1->text().size(), 40);
    // The window's close box leaves the index as it is.
    window.close();
    EXPECT_EQ(Form1->Table1->IndexName(), u"ENG");
  });
  // Shown again, it starts from an empty text and the first entry.
  WithWindow("Angol1", [&](TExpressionSearchForm& window) {
    EXPECT_TRUE(window.Edit1->text().isEmpty());
    ExpectShows(window, TEntries::kEng, &FEntries->InOrder(TEntries::kEng, 0), QString());
  });
}

TEST_F(SearchWindowTest, WithAFilterOnlyPassingEntriesAreLandedOn) {
  TInDictionary here(*FDictionary);
  const std::string m = FEntries->SortKey(QStringLiteral("m"));
  const auto passes = [&](const TEntries::TRow& row) { return row.Key[TEntries::kHun] >= m; };
  WithWindow("Angol1", [&](TExpressionSearchForm& window) {
    Form1->Table1->SetFilter(u"HUN >= 'm'");
    Form1->Table1->SetFiltered(true);
    for (const QString& word : {QStringLiteral("app"), QStringLiteral("zzzzzz"), QStringLiteral("house")}) {
      TypeAndCheck(window, TEntries::kEng, word, passes);
      if (HasFailure()) break;
    }
    Form1->Table1->SetFiltered(false);
  });
}

TEST_F(SearchWindowTest, AFailedSearchShowsTheErrorBox) {
  TInDictionary here(*FDictionary);
  WithWindow("Angol1", [&](TExpressionSearchForm& window) {
    // A search on a table that is not open fails.
    Form1->Table1->Close();
    FBoxes.Shown.clear();
    TypeCharacter(window.Edit1, QLatin1Char('a'));
    ASSERT_EQ(FBoxes.Shown.size(), 1u);
    EXPECT_EQ(FBoxes.Shown[0].Title, QStringLiteral("Adatok keresése:"));
    EXPECT_EQ(FBoxes.Shown[0].Text, QStringLiteral("Hiba történt !!!"));
    EXPECT_FALSE(FBoxes.Shown[0].Question);
    Form1->Table1->Open();
  });
}

// A copy of the real dictionary in a fresh directory, for tests that change it.
class TDictionaryCopy {
 public:
  explicit TDictionaryCopy(const std::string& dictionary) : FDirectory({}, false) {
    for (const auto& file : std::filesystem::directory_iterator(dictionary)) {
      if (file.path().filename().string().rfind("Eng_hun", 0) == 0) {
        std::filesystem::copy_file(file.path(), FDirectory.Path() / file.path().filename());
      }
    }
  }
  const testing::TDictionaryDirectory& Directory() const { return FDirectory; }
  std::string Table() const { return FDirectory.Table(); }

 private:
  testing::TDictionaryDirectory FDirectory;
};

// The other program of the test below: run as a child process of this test
// binary with VEXILO_APPEND_TO naming a dictionary directory, it appends the
// entries of VEXILO_APPEND_ENTRIES (lines of ENG, HUN and LEIR separated by
// tabs) to its Eng_hun through the engine calls, sharing the table as the
// program does. Skipped otherwise.
TEST(SearchWindowOtherProgram, AppendsTheEntriesItIsGiven) {
  const char* directory = std::getenv("VEXILO_APPEND_TO");
  const char* entries = std::getenv("VEXILO_APPEND_ENTRIES");
  if (directory == nullptr || entries == nullptr) GTEST_SKIP() << "run by the test of other programs' changes";
  const std::u16string location = QString::fromUtf8(directory).toStdU16String();
  const api::TVxbSessHdl session = api::VxbCreateSession(location.c_str());
  ASSERT_GT(session, 0);
  api::TVxbNetParams params;
  ASSERT_EQ(api::VxbSessGetDefaultNetParams(session, params), 0);
  ASSERT_EQ(api::VxbSessSetNetParams(session, params), 0);
  ASSERT_EQ(api::VxbSessOpenDb(session, location.c_str(), u"", u"", 0, 0), 0);
  const api::TVxbRltnHdl relation = api::VxbSessOpenTable(session, u"Eng_hun", u"", 15, true, false);
  ASSERT_GT(relation, 0);
  const api::TVxbTableHdl table = api::VxbTableCreate(relation, u"Other");
  ASSERT_GT(table, 0);
  const auto layout = [&](const char16_t* name) {
    api::TVxbFieldSpec spec;
    EXPECT_EQ(api::VxbTableGetFieldSpec(table, api::VxbTableGetFieldNo(table, name), &spec), 0);
    return types::TVxbFieldLayout{static_cast<size_t>(spec.InternalPosition), static_cast<size_t>(spec.InternalSize),
                                  api::VxbTableGetRltnVersion(table), (spec.Options & 0x08) != 0};
  };
  const types::TVxbFieldLayout eng = layout(u"ENG"), hun = layout(u"HUN");
  const int16_t leir = api::VxbTableGetFieldNo(table, u"LEIR");
  std::vector<uint8_t> record(static_cast<size_t>(api::VxbTableGetRecordSize(table)));
  for (const QString& line : QString::fromUtf8(entries).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    const QStringList parts = line.split(QLatin1Char('\t'));
    ASSERT_EQ(parts.size(), 3);
    ASSERT_EQ(api::VxbTableAppend(table), 0);
    ASSERT_EQ(api::VxbTableGetRecord(table, record.data(), static_cast<int32_t>(record.size())), 0);
    types::TVxbFieldCodec::WriteWideString(record.data(), eng, true, parts[0].toStdU16String());
    types::TVxbFieldCodec::WriteWideString(record.data(), hun, true, parts[1].toStdU16String());
    ASSERT_EQ(api::VxbTableSetRecord(table, record.data(), static_cast<int32_t>(record.size())), 0);
    const std::u16string description = parts[2].toStdU16String();
    ASSERT_EQ(api::VxbTableSetBlob(table, leir, description.data(), static_cast<int32_t>(description.size() * 2)), 0);
    ASSERT_EQ(api::VxbTableAppendConfirm(table), 0);
  }
  api::VxbTableDelete(table);
  api::VxbSessDelete(session);
}

TEST_F(SearchWindowTest, EntriesAnotherProcessAddsAndDeletesAreSeenAtTheNextKeystroke) {
  TDictionaryCopy copy(*FDictionary);
  WithWindow("Angol1", [&](TExpressionSearchForm& window) {
    for (const QChar character : QStringLiteral("vexilotes")) TypeCharacter(window.Edit1, character);
    const QString before = window.DBGrid1->CellText(window.DBGrid1->Row(), 0);
    EXPECT_FALSE(before.startsWith(QStringLiteral("vexilotest")));

    // Another process appends two entries.
    const tools::testing::TToolRun other = tools::testing::RunProgram(
        std::filesystem::read_symlink("/proc/self/exe").string(), {"--gtest_filter=SearchWindowOtherProgram.*"},
        (copy.Directory().Path() / "other.out").string(), (copy.Directory().Path() / "other.err").string(),
        {{"VEXILO_APPEND_TO", copy.Directory().Path().string()},
         {"VEXILO_APPEND_ENTRIES", "vexilotest alpha\tvexiló próba\tújonnan ő\nvexilotest beta\tvexiló béta\t-\n"}});
    ASSERT_EQ(other.Status, 0) << other.Out << other.Err;
    ASSERT_NE(other.Out.find("[  PASSED  ] 1 test"), std::string::npos) << other.Out;
    TypeCharacter(window.Edit1, QLatin1Char('t'));
    ASSERT_GE(window.DBGrid1->Row(), 0);
    EXPECT_EQ(window.DBGrid1->CellText(window.DBGrid1->Row(), 0), QStringLiteral("vexilotest alpha"));
    EXPECT_EQ(window.DBGrid1->CellText(window.DBGrid1->Row(), 1), QStringLiteral("vexiló próba"));
    EXPECT_EQ(window.DBMemo1->toPlainText(), QStringLiteral("újonnan ő"));
    EXPECT_EQ(window.DBGrid1->CellText(window.DBGrid1->Row() + 1, 0), QStringLiteral("vexilotest beta"));

    // Another process deletes the first of them.
    const std::string found = copy.Directory().Tool({"query", copy.Table(), "ENG = 'vexilotest alpha'"});
    const auto record = tools::testing::TJsonReader::Parse(found.substr(0, found.find('\n')));
    ASSERT_TRUE(record.has_value()) << found;
    copy.Directory().Tool({"delete", copy.Table(), record->Member("_recno")->Text});
    TypeCharacter(window.Edit1, QLatin1Char(' '));
    ASSERT_GE(window.DBGrid1->Row(), 0);
    EXPECT_EQ(window.DBGrid1->CellText(window.DBGrid1->Row(), 0), QStringLiteral("vexilotest beta"));
    for (int row = 0; row < window.DBGrid1->RowCount(); ++row) {
      EXPECT_NE(window.DBGrid1->CellText(row, 0), QStringLiteral("vexilotest alpha")) << "row " << row;
    }
    QTest::keyClick(window.Edit1, Qt::Key_Backspace);
    for (int row = 0; row < window.DBGrid1->RowCount(); ++row) {
      EXPECT_NE(window.DBGrid1->CellText(row, 0), QStringLiteral("vexilotest alpha")) << "row " << row;
    }
    EXPECT_EQ(window.DBGrid1->CellText(window.DBGrid1->Row(), 0), QStringLiteral("vexilotest beta"));
  });
  // What the other process wrote is in the files.
  const std::string counted = copy.Directory().Tool({"count", copy.Table(), "ENG >= 'vexilotest'"});
  EXPECT_NE(counted.find(" of " + std::to_string(FEntries->Size() + 1) + " records"), std::string::npos) << counted;
}

}  // namespace
}  // namespace vexilo::app
