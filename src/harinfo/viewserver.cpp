#include "harinfo/viewserver.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
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

constexpr auto IdleTime = std::chrono::seconds(30);
constexpr auto WriteTime = std::chrono::seconds(300);
constexpr unsigned HeaderLimit = 16 * 1024;

http::response<http::string_body> Response(const http::request<http::empty_body>& req,
                                           TViewAnswer a) {
  http::response<http::string_body> res{static_cast<http::status>(a.Status), req.version()};
  res.set(http::field::server, "harinfo");
  res.set(http::field::content_type, a.ContentType);
  res.set("Content-Security-Policy", ContentPolicy);
  res.set("X-Content-Type-Options", "nosniff");
  res.set("X-Frame-Options", "DENY");
  res.set("Referrer-Policy", "no-referrer");
  res.set(http::field::cache_control, "no-store");
  if (!a.Attachment.empty()) {
    res.set("Content-Disposition", "attachment; filename=\"" + a.Attachment + "\"");
  }
  res.keep_alive(req.keep_alive());
  if (req.method() != http::verb::head) res.body() = std::move(a.Body);
  res.prepare_payload();
  if (req.method() == http::verb::head) res.content_length(a.Body.size());
  return res;
}

TViewAnswer Answer(TViewSession& session, const http::request<http::empty_body>& req) {
  if (req.method() != http::verb::get && req.method() != http::verb::head) {
    return {405, "application/json", R"({"error":"only GET"})", {}};
  }
  const auto host = req.find(http::field::host);
  const std::string_view hostText =
      host == req.end() ? std::string_view()
                        : std::string_view(host->value().data(), host->value().size());
  const std::string_view target(req.target().data(), req.target().size());
  return AnswerView(session, target, hostText);
}

// One connection: requests read and answered in turn until the browser
// closes it or it stays idle too long. All connections share one thread.
class TConnection : public std::enable_shared_from_this<TConnection> {
 public:
  TConnection(tcp::socket socket, TViewSession& session)
      : stream_(std::move(socket)), session_(session) {}

  void Read() {
    parser_.emplace();
    parser_->header_limit(HeaderLimit);
    parser_->body_limit(0);
    stream_.expires_after(IdleTime);
    http::async_read(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code ec, size_t) { self->OnRead(ec); });
  }

 private:
  void OnRead(beast::error_code ec) {
    if (ec == http::error::end_of_stream || ec == beast::error::timeout) return Close();
    if (ec) {
      // A request Beast could not parse: answered once, then closed.
      http::request<http::empty_body> none;
      none.keep_alive(false);
      Write(Response(none, {400, "application/json", R"({"error":"bad request"})", {}}));
      return;
    }
    const http::request<http::empty_body>& req = parser_->get();
    Write(Response(req, Answer(session_, req)));
  }

  void Write(http::response<http::string_body> res) {
    response_ = std::move(res);
    stream_.expires_after(WriteTime);
    http::async_write(stream_, response_,
                      [self = shared_from_this()](beast::error_code ec, size_t) {
                        if (ec || !self->response_.keep_alive()) return self->Close();
                        self->Read();
                      });
  }

  void Close() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
  }

  beast::tcp_stream stream_;
  TViewSession& session_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> parser_;
  http::response<http::string_body> response_;
};

void Accept(tcp::acceptor& acceptor, TViewSession& session) {
  acceptor.async_accept([&acceptor, &session](beast::error_code ec, tcp::socket socket) {
    if (!ec) std::make_shared<TConnection>(std::move(socket), session)->Read();
    if (acceptor.is_open()) Accept(acceptor, session);
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
  Accept(acceptor, session);
  io.run();
  return ExitSame;
}

}  // namespace modrask::harinfo
