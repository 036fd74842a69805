// The maintenance window as a user works with it: its controls, captions and
// hints; inserting, editing, cancelling and deleting entries with the
// navigator, the grid and the memo, what vxbtool (another process) then finds
// in the files, and the record count; refused values and a failed write; and
// two copies of the program on one dictionary (the second one is this test
// program run again, serving a peer test over its standard input and output).
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <csignal>

#include "app/filter_window.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "app/maintenance_window.h"
#include "framework/widgets/db_grid.h"
#include "framework/widgets/db_memo.h"
#include "framework/widgets/db_navigator.h"
#include "framework/widgets/hints.h"
#include "tests/app/dictionary_directory.h"
#include "tests/app/maintenance_user.h"
#include "tests/framework_widgets/answering_message_boxes.h"
#include "tests/tools/json_reader.h"

namespace vexilo::app {
namespace {

using framework::TDataSetState;
using framework::TNavigateBtn;
using testing::TAnsweringMessageBoxes;
using testing::TMaintenanceUser;

constexpr char kPeerDirectory[] = "VEXILO_PEER_DIRECTORY";
constexpr char kPeerLockingTimeout[] = "VEXILO_PEER_LOCKING_TIMEOUT";

// One entry as vxbtool reads it from the files.
struct TStoredEntry {
  std::string Eng;
  std::string Hun;
  std::string Leir;  // "<null>" for none
  bool operator==(const TStoredEntry&) const = default;
};
void PrintTo(const TStoredEntry& entry, std::ostream* out) {
  *out << "{" << entry.Eng << " | " << entry.Hun << " | " << entry.Leir.substr(0, 60) << "}";
}

std::vector<TStoredEntry> StoredEntries(const testing::TDictionaryDirectory& directory) {
  const std::string out = directory.Tool({"query", directory.Table(), "1 = 1", "--index", "ENG"});
  std::vector<TStoredEntry> entries;
  size_t start = 0;
  while (start < out.size()) {
    const size_t end = std::min(out.find('\n', start), out.size());
    if (auto value = tools::testing::TJsonReader::Parse(out.substr(start, end - start))) {
      const auto* leir = value->Member("LEIR");
      entries.push_back({value->Member("ENG")->Text, value->Member("HUN")->Text,
                         leir->Type == tools::testing::TJsonValue::Kind::Null ? "<null>" : leir->Text});
    }
    start = end + 1;
  }
  return entries;
}

// The stored entry with ENG `eng`; an empty one when there is none.
TStoredEntry StoredEntry(const testing::TDictionaryDirectory& directory, const std::string& eng) {
  for (const TStoredEntry& entry : StoredEntries(directory)) {
    if (entry.Eng == eng) return entry;
  }
  return {};
}

bool TableIsClean(const testing::TDictionaryDirectory& directory) {
  return directory.Tool({"check", directory.Table()}).find("No damage found") != std::string::npos;
}

// A description as long as a long dictionary entry's: Hungarian letters, line
// breaks and tabs, as typed (line breaks as "\n").
QString LongDescription() {
  const QString piece = QStringLiteral("ő és ű:\tárvíztűrő tükörfúrógép, Őrség és Űrhajó\n");
  QString text;
  while (text.size() < 3000) text += piece;
  text.truncate(3000);
  return text;
}

// As the table stores it: line breaks as CR LF.
std::string StoredText(QString typed) { return typed.replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toStdString(); }

class MaintenanceWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDirectory = std::make_unique<testing::TDictionaryDirectory>(testing::SmallDictionary());
    FForms = std::make_unique<TForms>();
  }
  void TearDown() override {
    if (Form2 != nullptr) Form2->hide();
    FForms.reset();
    FDirectory.reset();
  }
  // Shows the main window (which opens the dictionary) and the maintenance
  // window.
  void ShowWindows() {
    Form1->show();
    ASSERT_TRUE(Form1->Table1->Active());
    Form2->show();
    Form2->activateWindow();
    QApplication::processEvents();
  }
  std::vector<TStoredEntry> Stored() const { return StoredEntries(*FDirectory); }
  TStoredEntry Stored(const std::string& eng) const { return StoredEntry(*FDirectory, eng); }
  // What the window's error handling showed since `from`.
  std::vector<std::string> Reports(size_t from = 0) const {
    std::vector<std::string> texts;
    for (size_t i = from; i < FBoxes.Shown.size(); ++i) {
      if (!FBoxes.Shown[i].Question) texts.push_back(FBoxes.Shown[i].Text.toStdString());
    }
    return texts;
  }

  TAnsweringMessageBoxes FBoxes;
  std::unique_ptr<testing::TDictionaryDirectory> FDirectory;
  std::unique_ptr<TForms> FForms;
  TMaintenanceUser FUser;
};

TEST_F(MaintenanceWindowTest, TheWindowHasItsControlsCaptionsAndHints) {
  ShowWindows();
  EXPECT_EQ(Form2->windowTitle(), QStringLiteral(" Adatok Karbantartása:"));
  EXPECT_EQ(Form2->Label1->text(), QStringLiteral("Tárolt rekordok száma"));
  EXPECT_EQ(Form2->Label3->text(), QStringLiteral("Leírás"));
  EXPECT_EQ(Form2->BitBtn1->text(), QStringLiteral("Befejezés"));
  EXPECT_EQ(Form2->BitBtn1->toolTip(), QStringLiteral("Befejezés !"));
  EXPECT_EQ(Form2->SpeedButton1->toolTip(), QStringLiteral("Szűrés"));
  EXPECT_EQ(Form2->SpeedButton1->statusTip(), QStringLiteral("Megjelenített adatok szűrése !"));
  EXPECT_EQ(Form2->DBMemo1->DataField(), QStringLiteral("LEIR"));
  EXPECT_EQ(Form2->DBNavigator1->Hints().size(), framework::kNavigateButtonCount);
  EXPECT_EQ(Form2->DBNavigator1->Hints()[5], QStringLiteral("Rekord törlése|Rekord törlése !"));
  EXPECT_EQ(Form2->DBNavigator1->Button(TNavigateBtn::nbRefresh)->toolTip(), QStringLiteral("Frissítés"));
  EXPECT_FALSE(Form2->DBNavigator1->ConfirmDelete());
  // English order and the count of stored entries.
  EXPECT_EQ(Form1->Table1->IndexName(), u"ENG");
  EXPECT_EQ(FUser.Count(), QStringLiteral("10"));
  std::vector<std::string> shown;
  for (const QString& eng : FUser.Column(TMaintenanceUser::kEnglish)) shown.push_back(eng.toStdString());
  std::vector<std::string> stored;
  for (const TStoredEntry& entry : Stored()) stored.push_back(entry.Eng);
  stored.resize(shown.size());
  EXPECT_EQ(shown, stored);
  EXPECT_EQ(FUser.Memo(), QString::fromStdString(Stored(shown.front()).Leir == "<null>" ? "" : Stored(shown.front()).Leir));
}

TEST_F(MaintenanceWindowTest, TheMenuOpensItAndItsButtonsOpenTheFilterWindowAndCloseIt) {
  Form1->show();
  bool filterShown = false;
  bool maintenanceShown = false;
  QTimer::singleShot(0, [&] {
    maintenanceShown = Form2->isVisible();
    QTimer::singleShot(0, [&] {
      filterShown = Form6->isVisible();
      Form6->close();
    });
    QTest::mouseClick(Form2->SpeedButton1, Qt::LeftButton);
    QTest::mouseClick(Form2->BitBtn1, Qt::LeftButton);
  });
  Form1->findChild<QAction*>(QStringLiteral("Adatkarbantarts1"))->trigger();
  EXPECT_TRUE(maintenanceShown);
  EXPECT_TRUE(filterShown);
  EXPECT_FALSE(Form2->isVisible());
}

TEST_F(MaintenanceWindowTest, InsertEditCancelAndDeleteStoreExactlyWhatTheUserConfirmed) {
  ShowWindows();
  const std::vector<TStoredEntry> before = Stored();

  // Insert: a new entry with a long description.
  FUser.Click(TNavigateBtn::nbInsert);
  ASSERT_EQ(Form1->Table1->State(), TDataSetState::dsInsert);
  EXPECT_EQ(FUser.Count(), QStringLiteral("10"));  // the new one is not stored yet
  QTest::keyClick(&FUser.View(), Qt::Key_Home);
  QTest::keyClick(&FUser.View(), Qt::Key_K);  // typing opens the cell
  ASSERT_NE(FUser.Editor(), nullptr);
  testing::TypeText(FUser.Editor(), QStringLiteral("ettle"));
  QTest::keyClick(FUser.Editor(), Qt::Key_Return);
  TMaintenanceUser::Settle();
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kHungarian, QStringLiteral("üst")));
  const QString description = LongDescription();
  FUser.TypeInMemo(description);
  EXPECT_EQ(FUser.Memo(), description);
  FUser.Click(TNavigateBtn::nbPost);
  EXPECT_TRUE(Reports().empty()) << Reports().front();
  EXPECT_EQ(Form1->Table1->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Stored("kettle"), (TStoredEntry{"kettle", "üst", StoredText(description)}));
  EXPECT_EQ(Stored().size(), before.size() + 1);
  EXPECT_EQ(FUser.Count(), QStringLiteral("11"));
  EXPECT_EQ(FUser.CurrentEnglish(), QStringLiteral("kettle"));
  EXPECT_TRUE(TableIsClean(*FDirectory));

  // Edit: a changed expression and a rewritten description.
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kHungarian, QStringLiteral("vízforraló")));
  FUser.TypeInMemo(QStringLiteral("Forraló edény.\nVíznek,\ttejnek."), true);
  FUser.Click(TNavigateBtn::nbPost);
  EXPECT_EQ(Stored("kettle"), (TStoredEntry{"kettle", "vízforraló", "Forraló edény.\r\nVíznek,\ttejnek."}));
  EXPECT_EQ(FUser.Count(), QStringLiteral("11"));
  EXPECT_TRUE(TableIsClean(*FDirectory));

  // Cancel an edit: Escape in the grid, and the navigator's cancel.
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kHungarian, QStringLiteral("elvetendő")));
  FUser.TypeInMemo(QStringLiteral(" elvetendő"));
  FUser.EscapeInGrid();
  EXPECT_EQ(Form1->Table1->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(FUser.CurrentHungarian(), QStringLiteral("vízforraló"));
  EXPECT_EQ(FUser.Memo(), QStringLiteral("Forraló edény.\nVíznek,\ttejnek."));
  FUser.TypeInMemo(QStringLiteral(" elvetendő"));
  EXPECT_EQ(Form1->Table1->State(), TDataSetState::dsEdit);
  FUser.Click(TNavigateBtn::nbCancel);
  EXPECT_EQ(FUser.Memo(), QStringLiteral("Forraló edény.\nVíznek,\ttejnek."));
  EXPECT_EQ(Stored("kettle"), (TStoredEntry{"kettle", "vízforraló", "Forraló edény.\r\nVíznek,\ttejnek."}));

  // Delete: No keeps the entry and shows nothing else; Yes deletes it.
  FBoxes.Answer(false);
  FUser.Click(TNavigateBtn::nbDelete);
  ASSERT_EQ(FBoxes.Shown.size(), 1u);
  EXPECT_EQ(FBoxes.Shown.back().Title, QStringLiteral("Törlés jóváhagyás:"));
  EXPECT_EQ(FBoxes.Shown.back().Text, QStringLiteral("Biztosan törölhető ?"));
  EXPECT_EQ(FUser.CurrentEnglish(), QStringLiteral("kettle"));
  EXPECT_EQ(FUser.Count(), QStringLiteral("11"));
  EXPECT_EQ(Stored().size(), before.size() + 1);

  FBoxes.Answer(true);
  FUser.Click(TNavigateBtn::nbDelete);
  EXPECT_EQ(FBoxes.Questions(), 2);
  EXPECT_TRUE(Reports().empty());
  EXPECT_NE(FUser.CurrentEnglish(), QStringLiteral("kettle"));
  EXPECT_EQ(FUser.Count(), QStringLiteral("10"));
  EXPECT_EQ(Stored(), before);
  EXPECT_TRUE(TableIsClean(*FDirectory));
}

TEST_F(MaintenanceWindowTest, RefusedValuesAreReportedAndTheWindowStaysUsable) {
  ShowWindows();
  const std::vector<TStoredEntry> before = Stored();

  // A new entry without its English expression.
  FUser.Click(TNavigateBtn::nbInsert);
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kHungarian, QStringLiteral("árva")));
  FUser.TypeInMemo(QStringLiteral("angol nélkül"));
  FUser.Click(TNavigateBtn::nbPost);
  EXPECT_EQ(Reports(), std::vector<std::string>{"Field 'ENG' must have a value"});
  EXPECT_EQ(Form1->Table1->State(), TDataSetState::dsInsert);
  // What was typed is still there to be corrected.
  EXPECT_EQ(FUser.CurrentHungarian(), QStringLiteral("árva"));
  EXPECT_EQ(FUser.Memo(), QStringLiteral("angol nélkül"));
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kEnglish, QStringLiteral("orphan")));
  FUser.Click(TNavigateBtn::nbPost);
  EXPECT_EQ(Stored("orphan"), (TStoredEntry{"orphan", "árva", "angol nélkül"}));

  // An English expression longer than its column: the cell takes no more
  // than the column holds, and what it shows is what is stored.
  const size_t reports = FBoxes.Shown.size();
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kEnglish, QString(100, u'w')));
  EXPECT_EQ(FUser.CurrentEnglish(), QString(80, u'w'));
  FUser.Click(TNavigateBtn::nbPost);
  EXPECT_TRUE(Reports(reports).empty());
  EXPECT_EQ(Stored(std::string(80, 'w')).Hun, "árva");

  // Clearing the English expression of a stored entry.
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kEnglish, QString()));
  FUser.Click(TNavigateBtn::nbPost);
  EXPECT_EQ(Reports(reports), std::vector<std::string>{"Field 'ENG' must have a value"});
  FUser.Click(TNavigateBtn::nbCancel);
  EXPECT_EQ(Form1->Table1->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(FUser.CurrentEnglish(), QString(80, u'w'));

  // The window goes on working.
  FUser.Click(TNavigateBtn::nbFirst);
  FUser.Click(TNavigateBtn::nbNext);
  EXPECT_EQ(Stored().size(), before.size() + 1);
  EXPECT_EQ(FUser.Count(), QStringLiteral("11"));
  EXPECT_TRUE(TableIsClean(*FDirectory));
}

TEST(MaintenanceWindowMemoTest, ADescriptionInAMemoColumnIsShownAndEditedLikeAWideOne) {
  // A dictionary whose LEIR is an 8-bit Memo in the Hungarian code page.
  testing::TDictionaryDirectory directory({}, false);
  directory.Tool({"create", directory.Table(), "--level", "6", "--collation", "Hungarian", "ENG:WideString:80",
                  "HUN:WideString:80", "LEIR:Memo?", "--index", "ENG=ENG", "--index", "HUN=HUN"});
  {
    std::ofstream tsv(directory.Path() / "rows.tsv", std::ios::binary);
    tsv << "ENG\tHUN\tLEIR\n" << "sheep\tbirka\tgyapjas\n" << "owl\tbagoly\t\n";
  }
  directory.Tool({"import", directory.Table(), (directory.Path() / "rows.tsv").string()});
  TAnsweringMessageBoxes boxes;
  TForms forms;
  Form1->show();
  Form2->show();
  TMaintenanceUser user;
  ASSERT_TRUE(user.GoTo(QStringLiteral("sheep")));
  EXPECT_EQ(user.Memo(), QStringLiteral("gyapjas"));
  const QString typed = QStringLiteral("Őrség és Űrhajó:\tárvíztűrő\ntükörfúrógép");
  user.TypeInMemo(typed, true);
  user.Click(TNavigateBtn::nbPost);
  EXPECT_TRUE(boxes.Shown.empty());
  // Read again from the files.
  Form1->Table1->Close();
  Form1->Table1->Open();
  ASSERT_TRUE(user.GoTo(QStringLiteral("sheep")));
  EXPECT_EQ(user.Memo(), typed);
  Form2->hide();
}

// The process may write no file beyond `bytes` while the object lives; a
// write past it fails (EFBIG) instead of ending the process.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &FPrevious);
    FPreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = FPrevious;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &FPrevious);
    std::signal(SIGXFSZ, FPreviousHandler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit FPrevious{};
  void (*FPreviousHandler)(int) = nullptr;
};

TEST_F(MaintenanceWindowTest, AWriteThatFailsIsReportedAndNoEntryIsHalfWritten) {
  ShowWindows();
  ASSERT_TRUE(FUser.GoTo(QStringLiteral("sheep")));
  const TStoredEntry before = Stored("sheep");
  const TStoredEntry after{"sheep", "juh", StoredText(LongDescription())};
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kHungarian, QStringLiteral("juh")));
  FUser.TypeInMemo(LongDescription(), true);
  {
    // No file can be written past its first 512 bytes meanwhile. The post
    // hands its pages to the table, which writes them when it gives its
    // write lock back a few milliseconds later.
    TFileSizeLimit limit(512);
    FUser.Click(TNavigateBtn::nbPost);
    QTest::qWait(300);
  }
  // The entry is stored either as it was or as posted, whole.
  const TStoredEntry stored = Stored("sheep");
  EXPECT_TRUE(stored == before || stored == after) << stored.Hun;
  EXPECT_TRUE(TableIsClean(*FDirectory));

  // The failed write is reported with the engine's words at the next post,
  // which is refused and keeps what the user typed.
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kHungarian, QStringLiteral("juh 2")));
  FUser.Click(TNavigateBtn::nbPost);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports().front().rfind("Writing record to dataset Table1: ", 0), 0u) << Reports().front();
  EXPECT_NE(Reports().front().find("Error while writing to file"), std::string::npos) << Reports().front();
  EXPECT_EQ(Form1->Table1->State(), TDataSetState::dsEdit);
  EXPECT_EQ(FUser.CurrentHungarian(), QStringLiteral("juh 2"));

  // Posting again stores the entry whole.
  FUser.Click(TNavigateBtn::nbPost);
  EXPECT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Stored("sheep"), (TStoredEntry{"sheep", "juh 2", after.Leir}));
  EXPECT_TRUE(TableIsClean(*FDirectory));
}

// This thread opens files as their permissions say, also as root (without
// the capability to override them), while the object lives.
class TFilePermissionsObeyed {
 public:
  TFilePermissionsObeyed() {
    FHeader.version = _LINUX_CAPABILITY_VERSION_3;
    ::syscall(SYS_capget, &FHeader, FSaved);
    __user_cap_data_struct reduced[2] = {FSaved[0], FSaved[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
    ::syscall(SYS_capset, &FHeader, reduced);
  }
  ~TFilePermissionsObeyed() { ::syscall(SYS_capset, &FHeader, FSaved); }
  TFilePermissionsObeyed(const TFilePermissionsObeyed&) = delete;
  TFilePermissionsObeyed& operator=(const TFilePermissionsObeyed&) = delete;

 private:
  __user_cap_header_struct FHeader{};
  __user_cap_data_struct FSaved[2]{};
};

TEST_F(MaintenanceWindowTest, ReadOnlyDictionaryFilesAreShownAndLeftAlone) {
  const std::vector<TStoredEntry> before = Stored();
  for (const auto& file : std::filesystem::directory_iterator(FDirectory->Path())) {
    const std::string extension = file.path().extension().string();
    if (extension == ".vxbt" || extension == ".vxbi" || extension == ".vxbb" || extension == ".vxbm") {
      std::filesystem::permissions(file.path(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                                     std::filesystem::perms::others_read);
    }
  }
  TFilePermissionsObeyed obeyed;
  ShowWindows();
  EXPECT_FALSE(Form1->Table1->CanModify());
  EXPECT_EQ(FUser.Count(), QStringLiteral("10"));
  for (const TNavigateBtn button : {TNavigateBtn::nbInsert, TNavigateBtn::nbDelete, TNavigateBtn::nbEdit}) {
    EXPECT_FALSE(Form2->DBNavigator1->Button(button)->isEnabled());
  }
  EXPECT_FALSE(FUser.TypeInCell(TMaintenanceUser::kHungarian, QStringLiteral("más")));
  const QString shown = FUser.Memo();
  FUser.TypeInMemo(QStringLiteral("más"));
  EXPECT_EQ(FUser.Memo(), shown);
  QTest::keyClick(&FUser.View(), Qt::Key_Insert);
  EXPECT_EQ(Form1->Table1->State(), TDataSetState::dsBrowse);
  FUser.Click(TNavigateBtn::nbNext);
  EXPECT_TRUE(Reports().empty()) << Reports().front();
  EXPECT_EQ(Stored(), before);
}

// ---- Two copies of the program ----

// This test program run again as a second copy of the program on the
// dictionary in `directory`: it serves the peer test, one command a line.
class TPeer {
 public:
  explicit TPeer(const testing::TDictionaryDirectory& directory, int lockingTimeoutMs = 20000) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kPeerDirectory), QString::fromStdString(directory.Path().string()));
    environment.insert(QString::fromLatin1(kPeerLockingTimeout), QString::number(lockingTimeoutMs));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    FProcess.setProcessEnvironment(environment);
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--gtest_filter=MaintenancePeer.ServesCommands")});
    FStarted = FProcess.waitForStarted() && Reply().startsWith(QStringLiteral("ready"));
  }
  ~TPeer() {
    if (FProcess.state() != QProcess::NotRunning) {
      Send(QStringLiteral("quit"));
      if (!FProcess.waitForFinished(30000)) FProcess.kill();
    }
  }
  TPeer(const TPeer&) = delete;
  TPeer& operator=(const TPeer&) = delete;

  bool Started() const { return FStarted; }
  void Send(const QString& command) {
    FProcess.write((command + QStringLiteral("\n")).toUtf8());
    FProcess.waitForBytesWritten();
  }
  // The peer's answer to the last command (without "peer: ").
  QString Reply(int timeoutMs = 120000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
      while (FProcess.canReadLine()) {
        const QString line = QString::fromUtf8(FProcess.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("peer: "))) return line.mid(6);
      }
      if (!FProcess.waitForReadyRead(1000) && FProcess.state() == QProcess::NotRunning) break;
    }
    return QStringLiteral("<no reply>");
  }
  QString Command(const QString& command, int timeoutMs = 120000) {
    Send(command);
    return Reply(timeoutMs);
  }

 private:
  QProcess FProcess;
  bool FStarted = false;
};

// What the window shows, as one line.
QString StateLine(const TMaintenanceUser& user, const TAnsweringMessageBoxes& boxes) {
  const TDataSetState state = Form1->Table1->State();
  return QStringLiteral("state=%1 eng=%2 hun=%3 reports=%4")
      .arg(state == TDataSetState::dsBrowse ? QStringLiteral("browse")
           : state == TDataSetState::dsEdit ? QStringLiteral("edit")
                                            : QStringLiteral("other"))
      .arg(user.CurrentEnglish(), user.CurrentHungarian())
      .arg(boxes.Shown.size() - static_cast<size_t>(boxes.Questions()));
}

// The second copy: runs only when started by TPeer.
TEST(MaintenancePeer, ServesCommands) {
  const char* directory = std::getenv(kPeerDirectory);
  if (directory == nullptr) GTEST_SKIP() << "runs as the second copy of the program only";
  QDir::setCurrent(QString::fromLocal8Bit(directory));
  TAnsweringMessageBoxes boxes(true);
  TForms forms;
  Form1->VxbDatabase1->SetLockingTimeout(std::atoi(std::getenv(kPeerLockingTimeout)));
  Form1->show();
  Form2->show();
  TMaintenanceUser user;
  const auto answer = [](const QString& text) { std::cout << "peer: " << text.toStdString() << std::endl; };
  answer(QStringLiteral("ready"));
  for (std::string line; std::getline(std::cin, line);) {
    const QStringList words = QString::fromStdString(line).split(u'\t');
    const QString& command = words.front();
    bool done = true;
    if (command == QStringLiteral("quit")) break;
    if (command == QStringLiteral("goto")) done = user.GoTo(words.value(1));
    if (command == QStringLiteral("cell")) done = user.TypeInCell(words.value(1).toInt(), words.value(2));
    if (command == QStringLiteral("insert")) done = user.InsertEntries(words.value(1).toInt(), words.value(2));
    if (command == QStringLiteral("post")) user.Click(TNavigateBtn::nbPost);
    if (command == QStringLiteral("delete")) user.Click(TNavigateBtn::nbDelete);
    answer((done ? QStringLiteral("ok ") : QStringLiteral("failed ")) + StateLine(user, boxes));
  }
  Form2->hide();
}

TEST_F(MaintenanceWindowTest, TheSecondOfTwoEditorsIsRefusedWithTheLockMessage) {
  TPeer peer(*FDirectory);
  ASSERT_TRUE(peer.Started());
  Form1->VxbDatabase1->SetLockingTimeout(300);
  ShowWindows();
  ASSERT_TRUE(FUser.GoTo(QStringLiteral("sheep")));

  EXPECT_TRUE(peer.Command(QStringLiteral("goto\tsheep")).startsWith(QStringLiteral("ok")));
  EXPECT_EQ(peer.Command(QStringLiteral("cell\t1\tjuh (a másik)")),
            QStringLiteral("ok state=edit eng=sheep hun=juh (a másik) reports=0"));

  // This copy comes second: the engine's edit lock refuses it when the cell
  // editor opens and again when Enter would write the cell; the editor keeps
  // what the user typed until Escape.
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kHungarian, QStringLiteral("juh (ez)")));
  ASSERT_EQ(Reports().size(), 2u);
  for (const std::string& report : Reports()) {
    EXPECT_EQ(report.rfind("Entering record: ", 0), 0u) << report;
    EXPECT_NE(report.find("edited by another user"), std::string::npos) << report;
  }
  EXPECT_EQ(Form1->Table1->State(), TDataSetState::dsBrowse);
  ASSERT_NE(FUser.Editor(), nullptr);
  EXPECT_EQ(FUser.Editor()->text(), QStringLiteral("juh (ez)"));
  EXPECT_EQ(Stored("sheep").Hun, "birka");
  FUser.EscapeInGrid();
  EXPECT_EQ(FUser.Editor(), nullptr);
  EXPECT_EQ(FUser.CurrentHungarian(), QStringLiteral("birka"));

  // The description the same way: typed text stays shown, outside the
  // record, until Escape; the user is told once.
  const QString storedDescription = FUser.Memo();
  FUser.TypeInMemo(QStringLiteral("gyapjas"));
  ASSERT_EQ(Reports().size(), 3u);
  EXPECT_EQ(FUser.Memo(), storedDescription + QStringLiteral("gyapjas"));
  EXPECT_EQ(Form1->Table1->State(), TDataSetState::dsBrowse);
  QTest::keyClick(Form2->DBMemo1, Qt::Key_Escape);
  EXPECT_EQ(FUser.Memo(), storedDescription);

  // The first one posts; afterwards this one sees it and may edit.
  EXPECT_TRUE(peer.Command(QStringLiteral("post")).startsWith(QStringLiteral("ok state=browse")));
  EXPECT_EQ(Stored("sheep").Hun, "juh (a másik)");
  FUser.Click(TNavigateBtn::nbRefresh);
  EXPECT_EQ(FUser.CurrentHungarian(), QStringLiteral("juh (a másik)"));
  ASSERT_TRUE(FUser.TypeInCell(TMaintenanceUser::kHungarian, QStringLiteral("juh (ez)")));
  FUser.Click(TNavigateBtn::nbPost);
  EXPECT_EQ(Stored("sheep").Hun, "juh (ez)");
  EXPECT_EQ(Reports().size(), 3u);
  EXPECT_TRUE(TableIsClean(*FDirectory));
}

TEST_F(MaintenanceWindowTest, AnEntryTheOtherCopyDeletedIsLeftWithoutAnError) {
  TPeer peer(*FDirectory);
  ASSERT_TRUE(peer.Started());
  ShowWindows();
  ASSERT_TRUE(FUser.GoTo(QStringLiteral("nut")));

  EXPECT_TRUE(peer.Command(QStringLiteral("goto\tnut")).startsWith(QStringLiteral("ok")));
  EXPECT_TRUE(peer.Command(QStringLiteral("delete")).startsWith(QStringLiteral("ok state=browse")));
  ASSERT_EQ(Stored("nut").Eng, "");

  FUser.Click(TNavigateBtn::nbNext);
  EXPECT_TRUE(Reports().empty()) << Reports().front();
  EXPECT_EQ(Stored(FUser.CurrentEnglish().toStdString()).Eng, FUser.CurrentEnglish().toStdString());
  FUser.Click(TNavigateBtn::nbRefresh);
  EXPECT_TRUE(Reports().empty()) << Reports().front();
  EXPECT_FALSE(FUser.Column(TMaintenanceUser::kEnglish).contains(QStringLiteral("nut")));
  EXPECT_EQ(FUser.Column(TMaintenanceUser::kEnglish).size(), 9);
}

TEST_F(MaintenanceWindowTest, TwoCopiesInsertingAtOnceStoreEveryEntry) {
  constexpr int kEach = 200;
  TPeer peer(*FDirectory);
  ASSERT_TRUE(peer.Started());
  ShowWindows();
  peer.Send(QStringLiteral("insert\t%1\tpeer ").arg(kEach));
  EXPECT_TRUE(FUser.InsertEntries(kEach, QStringLiteral("own ")));
  EXPECT_TRUE(peer.Reply().startsWith(QStringLiteral("ok state=browse")));
  EXPECT_TRUE(Reports().empty()) << Reports().front();

  const std::vector<TStoredEntry> entries = Stored();
  EXPECT_EQ(entries.size(), 10u + 2 * kEach);
  std::map<std::string, std::string> hunOf;
  for (const TStoredEntry& entry : entries) hunOf[entry.Eng] = entry.Hun;
  for (const char* prefix : {"own ", "peer "}) {
    for (int n = 1; n <= kEach; ++n) {
      EXPECT_EQ(hunOf[prefix + std::to_string(n)], "magyar " + std::to_string(n)) << prefix << n;
    }
  }
  EXPECT_TRUE(TableIsClean(*FDirectory));
  FUser.Click(TNavigateBtn::nbRefresh);
  EXPECT_EQ(Form1->Table1->RecordCount(), static_cast<int32_t>(10 + 2 * kEach));
}

}  // namespace
}  // namespace vexilo::app
