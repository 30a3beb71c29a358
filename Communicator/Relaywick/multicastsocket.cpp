#include "Relaywick/multicastsocket.h"

#include <arpa/inet.h>

#include "Platform/hostaddress.h"

CMulticastSocket::CMulticastSocket(CWnd* handler) : CSocketBase(handler) {
  set_sockettype(SOCKETTYPE_MULTICAST);
  set_descriptor(1);
}

CMulticastSocket::~CMulticastSocket() = default;

int CMulticastSocket::JoinGroup(const char* group, unsigned port, int ttl, int loopback) {
  if (joined_) {
    debug("<CMulticastSocket> Already a member of a group, leave it first");
    return 0;
  }
  if (CreateReceivingSocket(group, port) == 0) return 0;
  if (CreateSendingSocket(ttl, loopback) == 0) {
    close_all();
    return 0;
  }
  return 1;
}

int CMulticastSocket::CreateReceivingSocket(const char* group, unsigned port) {
  set_group_ip(group);
  set_group_port(port);
  if (port == 0) {
    debug("<CMulticastSocket> No group port specified");
    return 0;
  }
  close_all();

  auto unicast = std::make_unique<CDataGramSocket>(get_handler());
  unicast->set_logger(get_logger());
  unicast->set_descriptor(2);
  if (unicast->create_receiver() == 0) {
    debug("<CMulticastSocket> Unable to create unicast socket");
    return 0;
  }
  unicast_ = std::move(unicast);

  // The group must be a dotted address: no name is looked up for it.
  group_address_ = sockaddr_in{};
  group_address_.sin_family = AF_INET;
  group_address_.sin_port = htons(static_cast<uint16_t>(port));
  membership_ = ip_mreq{};
  if (group == nullptr || inet_pton(AF_INET, group, &group_address_.sin_addr) != 1 ||
      !platform::multicast_interface(&membership_.imr_interface)) {
    debug("<CMulticastSocket> Unable to set IPPROTO_IP options for multicast socket");
    close_all();
    return 0;
  }
  membership_.imr_multiaddr = group_address_.sin_addr;

  if (!Socket(SOCK_DGRAM)) {
    debug("<CMulticastSocket> Unable to create multicast socket");
    close_all();
    return 0;
  }
  const int on = 1;
  if (!SetSockOpt(SO_REUSEADDR, &on, sizeof on)) {
    debug("<CMulticastSocket> Unable to set SO_REUSEADDR options for multicast socket");
    close_all();
    return 0;
  }
  // Bound to the group address rather than to any address, and hearing
  // only its own membership (IP_MULTICAST_ALL off): neither datagrams sent
  // straight to the port nor the group's traffic on an interface that
  // another program joined reach discovery.
  if (!Bind(port, group)) {
    debug("<CMulticastSocket> Unable to bind multicast socket");
    close_all();
    return 0;
  }
  const int off = 0;
  if (!SetSockOpt(IP_MULTICAST_ALL, &off, sizeof off, IPPROTO_IP) ||
      !SetSockOpt(IP_ADD_MEMBERSHIP, &membership_, sizeof membership_, IPPROTO_IP)) {
    debug("<CMulticastSocket> Unable to set IPPROTO_IP options for multicast socket");
    close_all();
    return 0;
  }
  joined_ = true;
  return 1;
}

int CMulticastSocket::CreateSendingSocket(int ttl, int loopback) {
  auto sending = std::make_unique<CAsyncSocket>();
  in_addr interface_address{};
  if (!sending->Create(0, SOCK_DGRAM)) {
    debug("<CMulticastSocket> Unable to create UDP sending socket");
    return 0;
  }
  // Never let the system pick another interface than the one configured.
  if (!platform::multicast_interface(&interface_address) ||
      !sending->SetSockOpt(IP_MULTICAST_IF, &interface_address, sizeof interface_address,
                           IPPROTO_IP)) {
    debug("<CMulticastSocket> Unable to set the multicast interface of the sending socket");
    return 0;
  }
  sending_ = std::move(sending);
  if (SetTTL(ttl) == 0) debug("<CMulticastSocket> Warning! Error Setting TTL");
  if (SetLoopBack(loopback) == 0 && loopback == 0) {
    loopback_flag_ = 1;
    in_addr local{};
    char text[platform::kAddressTextSize] = {};
    if (platform::first_local_ipv4(&local) && inet_ntop(AF_INET, &local, text, sizeof text)) {
      local_address_ = text;
    }
  }
  return 1;
}

int CMulticastSocket::LeaveGroup() {
  if (!joined_ || !SetSockOpt(IP_DROP_MEMBERSHIP, &membership_, sizeof membership_, IPPROTO_IP)) {
    return 0;
  }
  close_all();
  return 1;
}

int CMulticastSocket::Send(const char* text, int length) {
  if (sending_ == nullptr || !joined_ || text == nullptr || length < 0) return 0;
  char group[platform::kAddressTextSize] = {};
  if (inet_ntop(AF_INET, &group_address_.sin_addr, group, sizeof group) == nullptr) return 0;
  const int sent = sending_->SendTo(text, length, ntohs(group_address_.sin_port), group);
  return sent == length ? 1 : 0;
}

char* CMulticastSocket::get_data(int which) {
  if (which == 1) return buffer_;
  if (which == 2 && unicast_ != nullptr) return unicast_->get_data();
  return nullptr;
}

unsigned CMulticastSocket::get_unicast_port() const {
  return unicast_ != nullptr ? unicast_->get_portnumber() : 0;
}

void CMulticastSocket::set_group_ip(const char* address) {
  if (address != nullptr) group_ip_.set(address);
}

int CMulticastSocket::SetTTL(int ttl) {
  return sending_ != nullptr && sending_->SetSockOpt(IP_MULTICAST_TTL, &ttl, sizeof ttl, IPPROTO_IP)
             ? 1
             : 0;
}

int CMulticastSocket::SetLoopBack(int loopback) {
  return sending_ != nullptr &&
                 sending_->SetSockOpt(IP_MULTICAST_LOOP, &loopback, sizeof loopback, IPPROTO_IP)
             ? 1
             : 0;
}

void CMulticastSocket::retire() {
  close_all();
  set_logger(nullptr);
  set_handler(nullptr);
}

void CMulticastSocket::close_all() {
  sending_.reset();
  Close();
  joined_ = false;
  if (unicast_ != nullptr) {
    unicast_->Close();
    unicast_->set_logger(nullptr);
    unicast_->set_handler(nullptr);
    platform::delete_later(unicast_.release());
  }
}

void CMulticastSocket::OnReceive(int code) {
  set_len(discovery_socket::receive(*this, "<CMulticastSocket>", buffer_, nullptr, nullptr));
  CSocketBase::OnReceive(code);
  discovery_socket::deliver(*this, "<CMulticastSocket>", buffer_);
}
