// The FreeTDS driver's failure paths against local listeners: a port that
// refuses, a listener that accepts and stays silent, one that accepts and
// hangs up at once. Each connect must fail as a link failure with a readable
// description, within the login timeout plus some slack. (FreeTDS is the
// Linux driver; the listeners use POSIX sockets.)
#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "sqlserver/sqlite_odbc_support.h"
#include "transfer/failure.h"

namespace velmora::testing {
namespace {

enum class ListenerBehaviour { kRefuse, kStaySilent, kHangUp };

// A TCP listener on 127.0.0.1 with an ephemeral port, served by one thread.
// kRefuse binds a port and closes it again without listening, so that
// connections to it are refused.
class LocalListener {
 public:
  explicit LocalListener(ListenerBehaviour behaviour) : behaviour_(behaviour) {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_GE(socket_, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    EXPECT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (behaviour_ == ListenerBehaviour::kRefuse) {
      ::close(socket_);
      socket_ = -1;
      return;
    }
    EXPECT_EQ(::listen(socket_, 8), 0);
    thread_ = std::thread([this] { serve(); });
  }

  ~LocalListener() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (int client : clients_) ::close(client);
    if (socket_ >= 0) ::close(socket_);
  }

  int port() const { return port_; }

 private:
  void serve() {
    while (!stop_) {
      pollfd waiting{socket_, POLLIN, 0};
      if (::poll(&waiting, 1, 50) <= 0) continue;
      int client = ::accept(socket_, nullptr, nullptr);
      if (client < 0) continue;
      if (behaviour_ == ListenerBehaviour::kHangUp) {
        ::close(client);
      } else {
        clients_.push_back(client);  // held open, never answered
      }
    }
  }

  ListenerBehaviour behaviour_;
  int socket_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<int> clients_;
};

struct FailureCase {
  const char* name;
  ListenerBehaviour behaviour;
};

class FreeTdsFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FreeTdsFailureTest, ConnectFailsAsLinkFailureWithinTheLoginTimeout) {
  LocalListener listener(GetParam().behaviour);
  OdbcOptions options;
  options.driver = kFreeTdsDriver;
  OdbcConnector connector(options);
  const std::string connectionString =
      "Provider=SQLOLEDB.1;UID=sa;pwd=Secret-Pass;Persist Security Info=False;"
      "Initial Catalog=ABCMAIN;Data Source=127.0.0.1," + std::to_string(listener.port());

  // The connect runs on its own thread so that a hang fails the test instead
  // of blocking the suite.
  auto attempt = std::async(std::launch::async, [&]() -> std::optional<Failure> {
    try {
      connector.connect(connectionString, 2);
    } catch (const Failure& failure) {
      return failure;
    }
    return std::nullopt;
  });
  ASSERT_EQ(attempt.wait_for(std::chrono::seconds(20)), std::future_status::ready)
      << "connect did not return within the login timeout and its slack";
  std::optional<Failure> failure = attempt.get();
  ASSERT_TRUE(failure.has_value()) << "connect unexpectedly succeeded";
  EXPECT_EQ(failure->number(), failure_number::kLinkFailure) << failure->description();
  EXPECT_FALSE(failure->description().empty());
  EXPECT_EQ(failure->description().find("Secret-Pass"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Listeners, FreeTdsFailureTest,
                         ::testing::Values(FailureCase{"Refuses", ListenerBehaviour::kRefuse},
                                           FailureCase{"StaysSilent", ListenerBehaviour::kStaySilent},
                                           FailureCase{"HangsUp", ListenerBehaviour::kHangUp}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FreeTdsDriverTest, MissingDriverLibraryFailsAsLinkFailure) {
  OdbcOptions options;
  options.driver = "/nonexistent/libnothing.so";
  OdbcConnector connector(options);
  try {
    connector.connect("UID=sa;pwd=x;Initial Catalog=ABCMAIN;Data Source=127.0.0.1,1", 2);
    FAIL() << "connect unexpectedly succeeded";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kLinkFailure);
    EXPECT_FALSE(failure.description().empty());
  }
}

}  // namespace
}  // namespace velmora::testing
#endif  // _WIN32
