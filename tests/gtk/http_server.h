// A tiny HTTP server on 127.0.0.1 for the engine tests: fixed pages by
// path, some served slowly. One thread, one request per connection.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace qv::test {

struct Page {
  std::string body;                 // UTF-8
  std::string type = "text/html; charset=utf-8";
  int delayMs = 0;                  // before the body is sent
};

class HttpServer {
 public:
  explicit HttpServer(std::map<std::string, Page> pages);
  ~HttpServer();
  int Port() const { return port_; }
  std::string Url(const std::string& path) const;
  std::atomic<int> requests{0};

 private:
  void Serve();
  void Answer(int fd);
  std::map<std::string, Page> pages_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<std::thread> workers_;
};

}  // namespace qv::test
