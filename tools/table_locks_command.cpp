// vxbtool locks: who has a shared table open, read from its lock file
// (lock_file_report.h) without joining the table.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/types/code_page.h"
#include "fs/text.h"
#include "tools/command_line.h"
#include "tools/lock_file_report.h"
#include "tools/table_commands.h"
#include "tools/tool_session.h"

namespace vexilo::tools {

namespace {

constexpr const char* kUsage = "locks TABLE\n";

const char* LockName(uint8_t lock) {
  switch (lock) {
    case storage::tltNone: return "-";
    case storage::tltRead: return "read";
    case storage::tltUpgrade: return "upgrade";
    case storage::tltWrite: return "write";
    default: return "?";
  }
}

std::string State(const TLockSlotReport& slot) {
  if (!slot.InUse) return "free";
  if (!slot.Alive) return "unknown";
  return *slot.Alive ? "alive" : "dead";
}

void Print(const TLockFileReport& report) {
  static const types::TVxbCodePage kNameCodePage(1252);
  const storage::TVxbTableLockData& h = report.Header;
  std::printf("Lock file:    %s\n", report.FileName.string().c_str());
  if (report.ReadWithoutMutex)
    std::printf("Note:         read without the lock file's mutex (a session holds it, "
                "perhaps with exclusive access)\n");
  std::printf("Sessions:     %d live, %d slots\n", h.SessionCount, h.ItemCount);
  std::printf("Table locks:  read %d, upgrade %d, write %d\n", h.ReadLocks, h.UpgradeLocks, h.WriteLocks);
  std::printf("Waiting:      %d (for write %d)\n", h.LockWaiters, h.WriteWaiters);
  std::printf("Changes:      %lld\n", static_cast<long long>(h.ChangeCount));
  std::printf("Indexes:      %d\n", h.IndexCount);
  std::printf("%-5s %-12s %-8s %-10s %-10s %-8s %s\n", "Slot", "Session", "State", "Table lock", "Waits for",
              "Record", "Name");
  int slotNo = 0;
  for (const TLockSlotReport& slot : report.Slots) {
    if (!slot.InUse) {
      std::printf("%-5d %-12s %-8s\n", slotNo++, "-", "free");
      continue;
    }
    const std::string record = slot.Data.EditRecNo != 0 ? std::to_string(slot.Data.EditRecNo) : "-";
    const std::string name = fs::u8(kNameCodePage.ToWide(slot.Data.Name));
    std::printf("%-5d %-12lld %-8s %-10s %-10s %-8s %s\n", slotNo++,
                static_cast<long long>(slot.Data.Id & 0xFFFFFFFF), State(slot).c_str(),
                LockName(slot.Data.TableLock), LockName(slot.Data.DesiredLock), record.c_str(), name.c_str());
  }
}

}  // namespace

int TableLocksCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {});
  if (!line || line->Positional.size() != 1) return WrongArguments(kUsage);
  try {
    const auto report = ReadLockFileReport(LockFileOf(FindTableFile(line->Positional[0])));
    if (!report) {
      std::printf("No lock file: nobody has the table open\n");
      return 0;
    }
    Print(*report);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace vexilo::tools
