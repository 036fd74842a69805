// TCustomConnection: the base of a connection component (a database). It
// offers Connected with the connect and disconnect events around the
// DoConnect/DoDisconnect steps a concrete connection supplies, and keeps the
// datasets registered as its clients. It references its datasets; it owns
// none. A concrete connection calls Destroying() at the start of its
// destructor, so that it disconnects through its own DoDisconnect.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vexilo::framework {

class TDataSet;

class TCustomConnection {
 public:
  using TNotifyEvent = std::function<void(TCustomConnection& sender)>;
  // Told when the connection connects (true) or is about to disconnect (false).
  using TConnectChangeEvent = std::function<void(TCustomConnection& sender, bool connecting)>;

  TCustomConnection() = default;
  virtual ~TCustomConnection();
  TCustomConnection(const TCustomConnection&) = delete;
  TCustomConnection& operator=(const TCustomConnection&) = delete;

  const std::u16string& Name() const { return FName; }
  virtual void SetName(std::u16string value) { FName = std::move(value); }
  bool Connected() { return GetConnected(); }
  // Connects: BeforeConnect, DoConnect, clients told, AfterConnect;
  // disconnects: BeforeDisconnect, clients told, DoDisconnect,
  // AfterDisconnect. Nothing when already so. While loading, connecting is
  // only remembered until Loaded.
  void SetConnected(bool value);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  // Registers `dataSet` (with an optional notice of connection changes);
  // registering twice has no further effect.
  virtual void RegisterClient(TDataSet& dataSet, TConnectChangeEvent event = {});
  virtual void UnRegisterClient(TDataSet& dataSet);
  int DataSetCount() const { return static_cast<int>(FClients.size()); }
  // The registered dataset at `index`, in registration order.
  TDataSet& DataSets(int index) const { return *FClients.at(static_cast<size_t>(index)).DataSet; }

  // Loading from a window description: while loading, SetConnected(true) is
  // kept for Loaded(), which connects.
  void BeginLoading() { FLoading = true; }
  bool Loading() const { return FLoading; }
  virtual void Loaded();
  // Disconnects without the disconnect events, for a concrete destructor.
  void Destroying();
  bool IsDestroying() const { return FDestroying; }

  TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

 protected:
  virtual void DoConnect() {}
  virtual void DoDisconnect() {}
  virtual bool GetConnected() { return false; }
  // Tells the registered clients.
  void SendConnectEvent(bool connecting);

 private:
  struct TClient {
    TDataSet* DataSet;
    TConnectChangeEvent Event;
  };

  std::u16string FName;
  std::vector<TClient> FClients;
  bool FLoading = false;
  bool FStreamedConnected = false;
  bool FDestroying = false;
};

}  // namespace vexilo::framework
