// What FreeTDS puts on the wire for the agent's connection strings: a local
// listener on 127.0.0.1 answers the pre-login, decodes the login record and
// reports the user, password and database it received. Every value arrives
// whole, whatever characters it holds, and no value changes another.
#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/central_connection.h"
#include "sqlserver/sqlite_odbc_support.h"

namespace velmora::testing {
namespace {

struct ReceivedLogin {
  std::string user;
  std::string password;
  std::string database;
};

// Reads one TDS message (packets up to the one marked last); empty on a
// closed connection or after `timeoutMs` without data.
std::vector<std::uint8_t> readMessage(int socket, int timeoutMs) {
  std::vector<std::uint8_t> payload;
  for (;;) {
    std::uint8_t header[8];
    std::size_t got = 0;
    while (got < sizeof header) {
      pollfd waiting{socket, POLLIN, 0};
      if (::poll(&waiting, 1, timeoutMs) <= 0) return {};
      const ssize_t n = ::recv(socket, header + got, sizeof header - got, 0);
      if (n <= 0) return {};
      got += static_cast<std::size_t>(n);
    }
    const std::size_t length = (header[2] << 8) | header[3];
    std::vector<std::uint8_t> body(length > 8 ? length - 8 : 0);
    got = 0;
    while (got < body.size()) {
      const ssize_t n = ::recv(socket, body.data() + got, body.size() - got, 0);
      if (n <= 0) return {};
      got += static_cast<std::size_t>(n);
    }
    payload.insert(payload.end(), body.begin(), body.end());
    if (header[1] & 0x01) return payload;
  }
}

// A UCS-2 field of the login record; `obfuscated` for the password, whose
// bytes the client XORs with 0xA5 after swapping their halves.
std::string loginField(const std::vector<std::uint8_t>& login, std::size_t at, bool obfuscated) {
  const std::size_t offset = login[at] | (login[at + 1] << 8);
  const std::size_t chars = login[at + 2] | (login[at + 3] << 8);
  std::string out;
  for (std::size_t i = 0; i < chars && offset + 2 * i + 1 < login.size(); ++i) {
    std::uint8_t bytes[2] = {login[offset + 2 * i], login[offset + 2 * i + 1]};
    if (obfuscated) {
      for (std::uint8_t& b : bytes) {
        b ^= 0xA5;
        b = static_cast<std::uint8_t>((b << 4) | (b >> 4));
      }
    }
    const unsigned code = bytes[0] | (bytes[1] << 8);
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

// Accepts one connection, answers its pre-login without encryption, reads
// the login record and hangs up.
class LoginListener {
 public:
  LoginListener() {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    EXPECT_EQ(::listen(socket_, 4), 0);
    received_ = std::async(std::launch::async, [this] { return serve(); });
  }
  ~LoginListener() { ::close(socket_); }

  int port() const { return port_; }
  std::optional<ReceivedLogin> received() {
    if (received_.wait_for(std::chrono::seconds(20)) != std::future_status::ready) return std::nullopt;
    return received_.get();
  }

 private:
  std::optional<ReceivedLogin> serve() {
    pollfd waiting{socket_, POLLIN, 0};
    if (::poll(&waiting, 1, 15000) <= 0) return std::nullopt;
    const int client = ::accept(socket_, nullptr, nullptr);
    if (client < 0) return std::nullopt;
    std::optional<ReceivedLogin> login;
    if (!readMessage(client, 5000).empty()) {
      // Pre-login answer: VERSION and ENCRYPTION = not supported.
      const std::uint8_t answer[] = {0x04, 0x01, 0x00, 8 + 18, 0x00, 0x00, 0x01, 0x00,
                                     0x00, 0x00, 11, 0x00, 6, 0x01, 0x00, 17, 0x00, 1, 0xFF,
                                     0x0F, 0x00, 0x07, 0xD0, 0x00, 0x00, 0x02};
      ::send(client, answer, sizeof answer, MSG_NOSIGNAL);
      const std::vector<std::uint8_t> record = readMessage(client, 5000);
      if (record.size() >= 94) {
        login = ReceivedLogin{loginField(record, 40, false), loginField(record, 44, true),
                              loginField(record, 68, false)};
      }
    }
    ::close(client);
    return login;
  }

  int socket_ = -1;
  int port_ = 0;
  std::future<std::optional<ReceivedLogin>> received_;
};

struct LoginCase {
  const char* name;
  const char* user;
  const char* password;
  const char* database;
};

TEST(FreeTdsLoginTest, EveryValueArrivesWhole) {
  const std::vector<LoginCase> cases = {
      {"plain", "sa", "Secret-Pass", "HOAMAIN"},
      {"closing brace", "sa", "p}", "HOAMAIN"},
      {"semicolon", "sa", "pa;ss", "HOAMAIN"},
      {"injected key", "sa", "secret;UID=attacker", "HOAMAIN"},
      {"braces and equals", "sa", "{Loc4l;pw}x=", "HOAMAIN"},
      {"blanks inside", "sa", "two  words", "HOAMAIN"},
      {"quotes", "o'ne\"", "it's \"x\"", "HO-AMAIN"},
      {"catalog injection", "sa", "pw", "HOAMAIN;Initial Catalog=master"},
  };
  OdbcOptions options;
  options.driver = kFreeTdsDriver;
  OdbcConnector connector(options);
  for (const LoginCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoginListener listener;
    CentralArguments arguments;
    arguments.user = c.user;
    arguments.password = c.password;
    arguments.server = "127.0.0.1";
    arguments.port = std::to_string(listener.port());
    arguments.byAddress = true;
    try {
      connector.connect(shell::centralConnectionString(arguments, c.database), 3);
    } catch (const Failure&) {
      // The listener hangs up after the login record.
    }
    const std::optional<ReceivedLogin> login = listener.received();
    ASSERT_TRUE(login.has_value());
    EXPECT_EQ(login->user, c.user);
    EXPECT_EQ(login->password, c.password);
    EXPECT_EQ(login->database, c.database);
  }
}

// A value that FreeTDS cannot receive is refused before anything is sent.
TEST(FreeTdsLoginTest, AValueHoldingBraceSemicolonIsRefused) {
  OdbcOptions options;
  options.driver = kFreeTdsDriver;
  OdbcConnector connector(options);
  try {
    connector.connect("UID=sa;pwd=\"a};b\";Initial Catalog=ABCMAIN;Data Source=127.0.0.1,1", 2);
    FAIL() << "connect unexpectedly succeeded";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kInvalidSettings);
    EXPECT_NE(failure.description().find("\"};\""), std::string::npos) << failure.description();
    EXPECT_EQ(failure.description().find("a};b"), std::string::npos);
  }
}

}  // namespace
}  // namespace velmora::testing
#endif  // _WIN32
