// TCustomConnection: the connect and disconnect sequence and the registered
// datasets.
#include "framework/core/connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/abort.h"
#include "tests/framework/memory_dataset.h"

namespace vexilo::framework::testing {
namespace {

// A connection that, like a database component, closes its datasets (last
// registered first) when it disconnects.
class TTestConnection : public TCustomConnection {
 public:
  std::vector<std::string> log;
  bool failConnect = false;

  TTestConnection() {
    BeforeConnect = [this](TCustomConnection&) { log.push_back("BeforeConnect"); };
    AfterConnect = [this](TCustomConnection&) { log.push_back("AfterConnect"); };
    BeforeDisconnect = [this](TCustomConnection&) { log.push_back("BeforeDisconnect"); };
    AfterDisconnect = [this](TCustomConnection&) { log.push_back("AfterDisconnect"); };
  }
  ~TTestConnection() override { Destroying(); }

 protected:
  void DoConnect() override {
    log.push_back("DoConnect");
    if (failConnect) throw EDatabaseError(u"cannot connect");
    FConnected = true;
  }
  void DoDisconnect() override {
    log.push_back("DoDisconnect");
    for (int i = DataSetCount() - 1; i >= 0; --i) DataSets(i).Close();
    FConnected = false;
  }
  bool GetConnected() override { return FConnected; }

 private:
  bool FConnected = false;
};

using Log = std::vector<std::string>;

TEST(Connection, ConnectsAndDisconnectsBetweenItsEvents) {
  TTestConnection connection;
  connection.SetConnected(true);
  EXPECT_TRUE(connection.Connected());
  connection.SetConnected(true);
  connection.SetConnected(false);
  connection.SetConnected(false);
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(connection.log, (Log{"BeforeConnect", "DoConnect", "AfterConnect", "BeforeDisconnect", "DoDisconnect",
                                 "AfterDisconnect"}));
}

TEST(Connection, AFailedConnectLeavesItDisconnectedWithoutAfterConnect) {
  TTestConnection connection;
  connection.failConnect = true;
  EXPECT_THROW(connection.Open(), EDatabaseError);
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(connection.log, (Log{"BeforeConnect", "DoConnect"}));
}

TEST(Connection, AbortInBeforeConnectStopsTheConnect) {
  TTestConnection connection;
  connection.BeforeConnect = [](TCustomConnection&) { Abort(); };
  EXPECT_THROW(connection.Open(), EAbort);
  EXPECT_FALSE(connection.Connected());
  EXPECT_TRUE(connection.log.empty());
}

TEST(Connection, KeepsRegisteredDatasetsInOrderAndTellsThemAboutChanges) {
  TTestConnection connection;
  TMemoryDataSet first(TMemoryDataSet::NumberedRows(1)), second(TMemoryDataSet::NumberedRows(1));
  Log notices;
  connection.RegisterClient(first, [&](TCustomConnection&, bool connecting) {
    notices.push_back(connecting ? "first connected" : "first disconnecting");
  });
  connection.RegisterClient(second);
  connection.RegisterClient(first);
  ASSERT_EQ(connection.DataSetCount(), 2);
  EXPECT_EQ(&connection.DataSets(0), &first);
  EXPECT_EQ(&connection.DataSets(1), &second);

  connection.Open();
  first.Open();
  second.Open();
  connection.Close();
  EXPECT_FALSE(first.Active());
  EXPECT_FALSE(second.Active());
  EXPECT_EQ(notices, (Log{"first connected", "first disconnecting"}));

  connection.UnRegisterClient(first);
  ASSERT_EQ(connection.DataSetCount(), 1);
  EXPECT_EQ(&connection.DataSets(0), &second);
}

TEST(Connection, WhileLoadingConnectingWaitsForLoaded) {
  TTestConnection connection;
  connection.BeginLoading();
  connection.SetConnected(true);
  EXPECT_FALSE(connection.Connected());
  connection.Loaded();
  EXPECT_TRUE(connection.Connected());
}

TEST(Connection, DestroyingDisconnectsWithoutTheDisconnectEvents) {
  Log log;
  {
    TTestConnection connection;
    connection.Open();
    connection.AfterDisconnect = [&](TCustomConnection&) { log.push_back("AfterDisconnect"); };
    connection.BeforeDisconnect = [&](TCustomConnection&) { log.push_back("BeforeDisconnect"); };
  }
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace vexilo::framework::testing
