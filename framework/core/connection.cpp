#include "framework/core/connection.h"

#include <algorithm>

namespace vexilo::framework {

TCustomConnection::~TCustomConnection() = default;

void TCustomConnection::SetConnected(bool value) {
  if (FLoading) {
    FStreamedConnected = value;
    return;
  }
  if (value == GetConnected()) return;
  if (value) {
    if (BeforeConnect) BeforeConnect(*this);
    DoConnect();
    SendConnectEvent(true);
    if (AfterConnect) AfterConnect(*this);
  } else {
    if (!FDestroying && BeforeDisconnect) BeforeDisconnect(*this);
    SendConnectEvent(false);
    DoDisconnect();
    if (!FDestroying && AfterDisconnect) AfterDisconnect(*this);
  }
}

void TCustomConnection::RegisterClient(TDataSet& dataSet, TConnectChangeEvent event) {
  const bool known = std::any_of(FClients.begin(), FClients.end(),
                                 [&](const TClient& client) { return client.DataSet == &dataSet; });
  if (!known) FClients.push_back(TClient{&dataSet, std::move(event)});
}

void TCustomConnection::UnRegisterClient(TDataSet& dataSet) {
  FClients.erase(std::remove_if(FClients.begin(), FClients.end(),
                                [&](const TClient& client) { return client.DataSet == &dataSet; }),
                 FClients.end());
}

void TCustomConnection::Loaded() {
  FLoading = false;
  if (FStreamedConnected) {
    FStreamedConnected = false;
    SetConnected(true);
  }
}

void TCustomConnection::Destroying() {
  if (FDestroying) return;
  FDestroying = true;
  if (GetConnected()) SetConnected(false);
}

void TCustomConnection::SendConnectEvent(bool connecting) {
  // A client may unregister while the clients are told.
  const std::vector<TClient> clients = FClients;
  for (const TClient& client : clients) {
    if (client.Event) client.Event(*this, connecting);
  }
}

}  // namespace vexilo::framework
