#include "http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace qv::test {

HttpServer::HttpServer(std::map<std::string, Page> pages) : pages_(std::move(pages)) {
  listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listen_, 16);
  socklen_t len = sizeof a;
  getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

HttpServer::~HttpServer() {
  stop_ = true;
  thread_.join();
  close(listen_);
}

std::string HttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpServer::Serve() {
  while (!stop_) {
    pollfd p{listen_, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    // One thread per connection, so a slow page holds up nothing else.
    workers_.emplace_back([this, fd] {
      Answer(fd);
      close(fd);
    });
  }
  for (auto& w : workers_) w.join();
}

void HttpServer::Answer(int fd) {
  std::string req;
  char buf[4096];
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (req.find("\r\n\r\n") == std::string::npos && std::chrono::steady_clock::now() < until) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return;
    req.append(buf, static_cast<size_t>(n));
    if (req.size() > 65536) return;
  }
  ++requests;
  size_t sp1 = req.find(' ');
  size_t sp2 = sp1 == std::string::npos ? sp1 : req.find(' ', sp1 + 1);
  std::string path = sp2 == std::string::npos ? "/" : req.substr(sp1 + 1, sp2 - sp1 - 1);
  size_t q = path.find('?');
  if (q != std::string::npos) path.resize(q);
  auto it = pages_.find(path);
  std::string head, body;
  if (it == pages_.end()) {
    body = "<html><head><title>404</title></head><body>not here</body></html>";
    head = "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n";
  } else {
    body = it->second.body;
    head = "HTTP/1.1 200 OK\r\nContent-Type: " + it->second.type + "\r\n";
  }
  head += "Content-Length: " + std::to_string(body.size()) +
          "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
  send(fd, head.data(), head.size(), MSG_NOSIGNAL);
  int delay = it == pages_.end() ? 0 : it->second.delayMs;
  // A slow page: half the body, a pause, then the rest.
  size_t half = delay > 0 ? body.size() / 2 : body.size();
  send(fd, body.data(), half, MSG_NOSIGNAL);
  for (int waited = 0; delay > 0 && waited < delay && !stop_; waited += 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (half < body.size()) send(fd, body.data() + half, body.size() - half, MSG_NOSIGNAL);
}

}  // namespace qv::test
