#include "cash_drawer/tcp_drawer_link_win.h"

// Winsock's headers go before <windows.h>.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "cash_drawer/bounded_call.h"
#include "cash_drawer/call_failure.h"
#include "cash_drawer/link_deadline.h"
#include "cash_drawer/scoped_win_handle_win.h"
#include "cash_drawer/text_conversion.h"
#include "text/wide_chars.h"

namespace kestro {
namespace {

constexpr int kReceiveChunk = 512;

struct SocketTraits {
  using Handle = SOCKET;
  static Handle Invalid() { return INVALID_SOCKET; }
  static void Close(Handle socket) { ::closesocket(socket); }
};
using ScopedSocket = ScopedWinHandle<SocketTraits>;

// Keeps Winsock started while it lives.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    error_ = ::WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockSession() {
    if (error_ == 0) ::WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

  int error() const { return error_; }

 private:
  int error_ = 0;
};

struct AddressListDeleter {
  void operator()(ADDRINFOW* addresses) const { ::FreeAddrInfoW(addresses); }
};

// A host's addresses. Winsock is kept started until they are freed, which
// may happen on the lookup's own thread when it ends late.
struct Resolution {
  std::shared_ptr<WinsockSession> winsock;
  std::unique_ptr<ADDRINFOW, AddressListDeleter> addresses;
  int error = 0;
};

Resolution Resolve(std::shared_ptr<WinsockSession> winsock, const std::u16string& host,
                   const std::u16string& service) {
  Resolution resolution;
  resolution.winsock = std::move(winsock);
  ADDRINFOW hints = {};
  hints.ai_flags = AI_NUMERICSERV;
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* found = nullptr;
  resolution.error =
      ::GetAddrInfoW(text::AsWideChars(host), text::AsWideChars(service), &hints, &found);
  resolution.addresses.reset(found);
  return resolution;
}

// "[::1]" and "::1" are one host.
std::string BareHost(const std::string& host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    return host.substr(1, host.size() - 2);
  }
  return host;
}

std::string Endpoint(const std::string& host, uint16_t port) {
  const bool ipv6 = host.find(':') != std::string::npos;
  return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

enum class Readiness { kReady, kTimedOut, kFailed };

// Waits at most `timeout_ms` for `socket` to take data (for_writing) or to
// have some. A connection that failed counts as ready for writing; its
// SO_ERROR tells.
Readiness WaitFor(SOCKET socket, bool for_writing, int64_t timeout_ms) {
  fd_set wanted;
  fd_set failed;
  FD_ZERO(&wanted);
  FD_ZERO(&failed);
  FD_SET(socket, &wanted);
  FD_SET(socket, &failed);
  const int64_t wait_ms = std::clamp<int64_t>(timeout_ms, 0, INT32_MAX);
  timeval wait = {static_cast<long>(wait_ms / 1000), static_cast<long>(wait_ms % 1000 * 1000)};
  const int ready =
      ::select(0, for_writing ? nullptr : &wanted, for_writing ? &wanted : nullptr, &failed, &wait);
  if (ready == SOCKET_ERROR) return Readiness::kFailed;
  return ready == 0 ? Readiness::kTimedOut : Readiness::kReady;
}

int SocketError(SOCKET socket) {
  int error = 0;
  int size = sizeof(error);
  ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
  return error;
}

bool RefusedOrReset(int error) { return error == WSAECONNREFUSED || error == WSAECONNRESET; }

class TcpDrawerLink : public DrawerLink {
 public:
  TcpDrawerLink(std::shared_ptr<WinsockSession> winsock, ScopedSocket socket, std::string name)
      : winsock_(std::move(winsock)), socket_(std::move(socket)), name_(std::move(name)) {}

  bool Send(const std::vector<uint8_t>& bytes, int64_t timeout_ms, std::string* reason) override {
    const LinkDeadline deadline(timeout_ms);
    size_t sent = 0;
    while (sent < bytes.size()) {
      const int count = ::send(socket_.get(), reinterpret_cast<const char*>(bytes.data() + sent),
                               static_cast<int>(bytes.size() - sent), 0);
      if (count > 0) {
        sent += static_cast<size_t>(count);
        continue;
      }
      const int error = ::WSAGetLastError();
      if (error != WSAEWOULDBLOCK) {
        *reason = CallFailure("send to " + name_, error);
        return false;
      }
      if (WaitFor(socket_.get(), true, deadline.RemainingMs()) != Readiness::kReady) {
        *reason = name_ + " took " + std::to_string(sent) + " of " + std::to_string(bytes.size()) +
                  " bytes within " + std::to_string(timeout_ms) + " ms";
        return false;
      }
    }
    return true;
  }

  ReceiveStatus Receive(int64_t timeout_ms, std::vector<uint8_t>* bytes,
                        std::string* reason) override {
    const Readiness readiness = WaitFor(socket_.get(), false, timeout_ms);
    if (readiness == Readiness::kTimedOut) return ReceiveStatus::kTimedOut;
    if (readiness == Readiness::kFailed) {
      *reason = CallFailure("select on " + name_, ::WSAGetLastError());
      return ReceiveStatus::kBroken;
    }
    char chunk[kReceiveChunk];
    const int count = ::recv(socket_.get(), chunk, kReceiveChunk, 0);
    if (count > 0) {
      bytes->insert(bytes->end(), chunk, chunk + count);
      return ReceiveStatus::kData;
    }
    if (count == 0) {
      *reason = name_ + " closed the connection";
      return ReceiveStatus::kBroken;
    }
    const int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return ReceiveStatus::kTimedOut;
    *reason = CallFailure("recv from " + name_, error);
    return ReceiveStatus::kBroken;
  }

  void DiscardPending() override {
    u_long pending = 0;
    if (::ioctlsocket(socket_.get(), FIONREAD, &pending) != 0) return;
    char chunk[kReceiveChunk];
    while (pending > 0) {
      const int count = ::recv(socket_.get(), chunk,
                               static_cast<int>(std::min<u_long>(pending, kReceiveChunk)), 0);
      if (count <= 0) return;
      pending -= static_cast<u_long>(count);
    }
  }

 private:
  // Declared first: Winsock stays started until the socket is closed.
  std::shared_ptr<WinsockSession> winsock_;
  ScopedSocket socket_;
  std::string name_;
};

enum class Attempt { kConnected, kRefused, kTimedOut, kFailed };

// One non-blocking connection to `address`, waited for until `deadline`.
Attempt Connect(const ADDRINFOW& address, const LinkDeadline& deadline, ScopedSocket* connected,
                int* error) {
  ScopedSocket socket(::socket(address.ai_family, address.ai_socktype, address.ai_protocol));
  u_long non_blocking = 1;
  if (!socket.valid() || ::ioctlsocket(socket.get(), FIONBIO, &non_blocking) != 0) {
    *error = ::WSAGetLastError();
    return Attempt::kFailed;
  }
  if (::connect(socket.get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
    *error = ::WSAGetLastError();
    if (*error != WSAEWOULDBLOCK)
      return RefusedOrReset(*error) ? Attempt::kRefused : Attempt::kFailed;
    const Readiness readiness = WaitFor(socket.get(), true, deadline.RemainingMs());
    if (readiness == Readiness::kTimedOut) return Attempt::kTimedOut;
    *error = readiness == Readiness::kFailed ? ::WSAGetLastError() : SocketError(socket.get());
    if (*error != 0) return RefusedOrReset(*error) ? Attempt::kRefused : Attempt::kFailed;
  }
  *connected = std::move(socket);
  return Attempt::kConnected;
}

LinkOpenResult Failure(LinkOpenStatus status, std::string reason) {
  LinkOpenResult result;
  result.status = status;
  result.reason = std::move(reason);
  return result;
}

}  // namespace

LinkOpenResult OpenTcpDrawerLink(const std::string& host, uint16_t port, int64_t timeout_ms) {
  const std::string bare_host = BareHost(host);
  const std::string name = Endpoint(bare_host, port);
  auto winsock = std::make_shared<WinsockSession>();
  if (winsock->error() != 0) {
    return Failure(LinkOpenStatus::kFailed, CallFailure("WSAStartup", winsock->error()));
  }
  const LinkDeadline deadline(timeout_ms);
  const std::u16string wide_host = ToWideString(bare_host);
  const std::string digits = std::to_string(port);
  const std::u16string service(digits.begin(), digits.end());
  std::optional<Resolution> resolution = CallWithin<Resolution>(
      timeout_ms, [winsock, wide_host, service] { return Resolve(winsock, wide_host, service); });
  if (!resolution) {
    return Failure(LinkOpenStatus::kFailed, "looking up " + bare_host + " did not finish within " +
                                                std::to_string(timeout_ms) + " ms");
  }
  if (resolution->error != 0) {
    return Failure(LinkOpenStatus::kFailed,
                   CallFailure("GetAddrInfoW for " + bare_host, resolution->error));
  }
  std::optional<LinkOpenResult> refused;
  LinkOpenResult outcome = Failure(LinkOpenStatus::kFailed, "no address of " + name + " answered");
  for (const ADDRINFOW* address = resolution->addresses.get(); address != nullptr;
       address = address->ai_next) {
    ScopedSocket socket;
    int error = 0;
    switch (Connect(*address, deadline, &socket, &error)) {
      case Attempt::kConnected:
        outcome.status = LinkOpenStatus::kOpened;
        outcome.reason.clear();
        outcome.link = std::make_unique<TcpDrawerLink>(winsock, std::move(socket), name);
        return outcome;
      case Attempt::kRefused:
        refused = Failure(LinkOpenStatus::kBusy, CallFailure("connect to " + name, error));
        break;
      case Attempt::kTimedOut:
        outcome.reason = "connecting to " + name + " did not finish within " +
                         std::to_string(timeout_ms) + " ms";
        break;
      case Attempt::kFailed:
        outcome.reason = CallFailure("connect to " + name, error);
        break;
    }
    if (deadline.Passed()) break;
  }
  return refused ? std::move(*refused) : std::move(outcome);
}

}  // namespace kestro
