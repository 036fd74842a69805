// A table held open by another program: a forked process that opens a table
// shared (through its lock file, as the dictionary program does), with a
// station number and session name of its own, optionally takes a read lock
// and an edit lock on a record, reports 'o' to the test and keeps all of it
// until it is told 'q' or killed.
#pragma once

#include <memory>
#include <string>

#include "engine/errors/services.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/table/base_table.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/engine/storage/process_fixture.h"

namespace vexilo::tools::testing {

struct THolding {
  uint32_t Station = 4242;
  std::u16string SessionName = u"holder";
  bool ReadLock = false;
  int32_t EditRecord = 0;  // 0: no edit lock
};

// Starts the holder of the table file `fileName`; returns once it holds the
// table (or failed: then Ready() is false).
class TTableHolder {
 public:
  TTableHolder(const std::string& fileName, const THolding& holding)
      : FChild([fileName, holding](const storage::testing::TChannel& channel) {
          fs::TvwOSFileSystem fileSystem;
          index::TVxbPageManager manager;
          errors::TVxbServices services;
          services.SetStation(holding.Station);
          storage::TVxbBaseTable table(services, manager, fileSystem, 1);
          table.SetFileName(fs::u16(fileName));
          table.SetSessionName(holding.SessionName);
          table.SetRights(storage::kRightAppend | storage::kRightEdit | storage::kRightDelete |
                          storage::kRightIndex);
          if (table.Open(false) != 0 || table.Setup(false) != 0) return 1;
          if (holding.ReadLock && table.BeginRead(true) != 0) return 2;
          if (holding.EditRecord != 0 && table.CheckEdit(holding.EditRecord, nullptr) != 0) return 3;
          channel.Send('o');
          if (channel.Receive() != 'q') return 4;
          if (holding.EditRecord != 0) table.EndEdit(holding.EditRecord);
          if (holding.ReadLock) table.EndRead();
          return table.Close() == 0 ? 0 : 5;
        }) {
    FReady = FChild.Receive() == 'o';
  }

  bool Ready() const { return FReady; }
  // Lets the holder close the table and end; its exit code.
  int Release() {
    FChild.Send('q');
    return FChild.Wait();
  }
  // Ends the holder at once, as a crash would: its slot stays behind.
  void Kill() { FChild.Kill(); }

 private:
  storage::testing::TChildProcess FChild;
  bool FReady = false;
};

}  // namespace vexilo::tools::testing
