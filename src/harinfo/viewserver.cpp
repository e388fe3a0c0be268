#include "harinfo/viewserver.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <list>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <utility>

#include "harinfo/infofile.h"
#include "harinfo/viewapi.h"

namespace modrask::harinfo {

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;

// The page's own scripts, styles and requests only; no frames, no forms.
constexpr const char* ContentPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
    "img-src 'self' data: blob:; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// A connection must send a whole request within RequestTime of being
// ready for it; an answer must make progress within WriteTime.
constexpr auto RequestTime = std::chrono::seconds(10);
constexpr auto WriteTime = std::chrono::seconds(30);
constexpr unsigned HeaderLimit = 16 * 1024;
// Connections served at once: the oldest waiting for a request goes when
// another comes.
constexpr size_t MaxConnections = 32;
// Bytes of answers queued to clients that have not read them yet: while
// they pass it, a request gets 503 before its answer is made.
constexpr size_t QueueBudget = size_t{16} << 20;
constexpr size_t SmallAnswer = size_t{64} << 10;
// After the process ran out of descriptors, the accept loop waits this long.
constexpr auto AcceptPause = std::chrono::milliseconds(250);

using TRequestMsg = http::request<http::empty_body>;
using TResponse = http::response<http::string_body>;

TResponse Response(const TRequestMsg& req, TViewAnswer a) {
  TResponse res{static_cast<http::status>(a.Status), req.version()};
  res.set(http::field::server, "harinfo");
  res.set(http::field::content_type, a.ContentType);
  res.set("Content-Security-Policy", ContentPolicy);
  res.set("X-Content-Type-Options", "nosniff");
  res.set("X-Frame-Options", "DENY");
  res.set("Referrer-Policy", "no-referrer");
  res.set(http::field::cache_control, "no-store");
  if (a.Status == 405) res.set(http::field::allow, "GET, HEAD");
  if (!a.Attachment.empty()) {
    res.set("Content-Disposition", "attachment; filename=\"" + a.Attachment + "\"");
  }
  res.keep_alive(req.keep_alive());
  if (req.method() != http::verb::head) res.body() = std::move(a.Body);
  res.prepare_payload();
  if (req.method() == http::verb::head) res.content_length(a.Body.size());
  return res;
}

TViewAnswer Answer(TViewSession& session, const TRequestMsg& req) {
  if (req.method() != http::verb::get && req.method() != http::verb::head) {
    return {405, "application/json", R"({"error":"only GET and HEAD"})", {}};
  }
  // More than one Host: which one a proxy or the browser saw is unknown.
  if (req.count(http::field::host) > 1) {
    return {400, "application/json", R"({"error":"more than one Host header"})", {}};
  }
  const auto host = req.find(http::field::host);
  const std::string_view hostText =
      host == req.end() ? std::string_view()
                        : std::string_view(host->value().data(), host->value().size());
  const std::string_view target(req.target().data(), req.target().size());
  return AnswerView(session, target, hostText);
}

class TConnection;

// What the connections share: the files, the bytes queued to clients, and
// the connections themselves, oldest first.
struct TServer {
  explicit TServer(TViewSession& session) : Session(session) {}
  TViewSession& Session;
  size_t Queued = 0;
  std::list<std::weak_ptr<TConnection>> Connections;

  // Makes room for one more connection: the oldest idle one is closed.
  void Admit(const std::shared_ptr<TConnection>& c);
};

// One connection: requests read and answered in turn until the browser
// closes it, it sends no whole request in time, or its answer stops moving.
// All connections share one thread.
class TConnection : public std::enable_shared_from_this<TConnection> {
 public:
  TConnection(tcp::socket socket, TServer& server)
      : stream_(std::move(socket)), server_(server) {}
  ~TConnection() { Unqueue(); }

  bool Idle() const { return idle_; }

  void Read() {
    idle_ = true;
    parser_.emplace();
    parser_->header_limit(HeaderLimit);
    parser_->body_limit(0);
    stream_.expires_after(RequestTime);
    http::async_read(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code ec, size_t) { self->OnRead(ec); });
  }

  void Close() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.socket().close(ignored);
  }

 private:
  void OnRead(beast::error_code ec) {
    idle_ = false;
    if (ec == http::error::end_of_stream || ec == beast::error::timeout ||
        ec == net::error::operation_aborted) {
      return Close();
    }
    if (ec) {
      // A request Beast could not parse: answered once, then closed.
      TRequestMsg none;
      none.keep_alive(false);
      Write(Response(none, {400, "application/json", R"({"error":"bad request"})", {}}));
      return;
    }
    const TRequestMsg& req = parser_->get();
    // Over the budget, small answers still go out; a CSV is not even made.
    const bool busy = server_.Queued >= QueueBudget;
    const std::string_view target(req.target().data(), req.target().size());
    const bool csv = target.rfind("/api/csv", 0) == 0 || target.rfind("/api/tablecsv", 0) == 0;
    TViewAnswer answer;
    if (!(busy && csv)) answer = Answer(server_.Session, req);
    if (busy && (csv || answer.Body.size() > SmallAnswer)) {
      answer = {503, "application/json", R"({"error":"busy: answers not yet read; try again"})",
                {}};
    }
    Write(Response(req, std::move(answer)));
  }

  void Write(TResponse res) {
    response_ = std::move(res);
    queued_ = response_.body().size();
    server_.Queued += queued_;
    serializer_.emplace(response_);
    WriteSome();
  }

  // Each piece that goes out renews the write timeout.
  void WriteSome() {
    stream_.expires_after(WriteTime);
    http::async_write_some(stream_, *serializer_,
                           [self = shared_from_this()](beast::error_code ec, size_t n) {
                             self->OnWrite(ec, n);
                           });
  }

  void OnWrite(beast::error_code ec, size_t n) {
    // What went out is no longer queued (the head's bytes counted too).
    const size_t sent = std::min(n, queued_);
    server_.Queued -= sent;
    queued_ -= sent;
    if (ec) return Close();
    if (!serializer_->is_done()) return WriteSome();
    serializer_.reset();
    Unqueue();
    if (!response_.keep_alive()) return Close();
    response_ = {};
    Read();
  }

  void Unqueue() {
    server_.Queued -= queued_;
    queued_ = 0;
  }

  beast::tcp_stream stream_;
  TServer& server_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> parser_;
  TResponse response_;
  std::optional<http::serializer<false, http::string_body>> serializer_;
  size_t queued_ = 0;
  bool idle_ = true;
};

void TServer::Admit(const std::shared_ptr<TConnection>& c) {
  Connections.remove_if([](const std::weak_ptr<TConnection>& w) { return w.expired(); });
  if (Connections.size() >= MaxConnections) {
    for (auto it = Connections.begin(); it != Connections.end(); ++it) {
      const std::shared_ptr<TConnection> old = it->lock();
      if (old != nullptr && old->Idle()) {
        old->Close();
        Connections.erase(it);
        break;
      }
    }
  }
  Connections.push_back(c);
}

void Accept(tcp::acceptor& acceptor, TServer& server, net::steady_timer& pause) {
  acceptor.async_accept([&acceptor, &server, &pause](beast::error_code ec, tcp::socket socket) {
    if (!acceptor.is_open()) return;
    if (ec == net::error::no_descriptors || ec.value() == ENFILE) {
      // Out of descriptors: wait for some to be freed instead of spinning.
      pause.expires_after(AcceptPause);
      pause.async_wait([&acceptor, &server, &pause](beast::error_code) {
        Accept(acceptor, server, pause);
      });
      return;
    }
    if (!ec) {
      auto c = std::make_shared<TConnection>(std::move(socket), server);
      server.Admit(c);
      c->Read();
    }
    Accept(acceptor, server, pause);
  });
}

void OpenBrowser(const std::string& url) {
  // The address holds only digits, letters and ":/.?=", nothing a shell reads.
#if defined(_WIN32)
  const std::string command = "start \"\" \"" + url + "\"";
#elif defined(__APPLE__)
  const std::string command = "open '" + url + "' >/dev/null 2>&1 &";
#else
  const std::string command = "xdg-open '" + url + "' >/dev/null 2>&1 &";
#endif
  if (std::system(command.c_str()) != 0) return;
}

}  // namespace

int RunView(const TViewOptions& options, std::ostream& out, std::ostream& err) {
  TViewSession session;
  std::string msg;
  if (!session.Open(options.Files, msg)) return Trouble(err, msg);
  // Before the io_context: the connections it still holds when it ends
  // give back their queued bytes to it.
  TServer server(session);
  net::io_context io(1);
  tcp::acceptor acceptor(io);
  const tcp::endpoint at(net::ip::address_v4::loopback(), static_cast<uint16_t>(options.Port));
  beast::error_code ec;
  acceptor.open(at.protocol(), ec);
  if (!ec) acceptor.bind(at, ec);
  if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
  if (ec)
    return Trouble(
        err, "cannot listen on 127.0.0.1:" + std::to_string(options.Port) + ": " + ec.message());
  const uint16_t port = acceptor.local_endpoint().port();
  session.Admit(NewViewToken(), port);
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/?token=" + session.Token();
  out << "harinfo view: " << url << '\n' << "Ctrl-C stops it." << std::endl;
  if (options.OpenBrowser) OpenBrowser(url);
  net::signal_set signals(io, SIGINT, SIGTERM);
  signals.async_wait([&](beast::error_code, int) { io.stop(); });
  net::steady_timer pause(io);
  Accept(acceptor, server, pause);
  io.run();
  return ExitSame;
}

}  // namespace modrask::harinfo
