// The pages the engine tests browse, served on 127.0.0.1.
#pragma once

#include <map>
#include <string>

#include "http_server.h"

namespace qv::test {

inline std::map<std::string, Page> TestPages() {
  std::map<std::string, Page> p;
  p["/a"] = {u8"<html><head><title>页面甲</title></head><body><h1>甲</h1>"
             u8"<a id='l' href='/b' style='display:block;width:600px;height:200px;"
             u8"background:#cfc'>到乙页</a></body></html>"};
  p["/b"] = {u8"<html><head><title>页面乙</title></head><body><h1>乙</h1></body></html>"};
  p["/blank"] = {u8"<html><head><title>新标签链接</title></head><body>"
                 u8"<a id='x' href='/b' target='_blank'>乙</a></body></html>"};
  p["/open"] = {u8"<html><head><title>脚本窗口</title></head><body>"
                u8"<script>function go(){window.open('/b');}</script></body></html>"};
  p["/slow"] = {u8"<html><head><title>慢页面</title></head><body>"
                + std::string(4000, ' ') + u8"<p>到了</p></body></html>", "text/html; charset=utf-8",
                2500};
  p["/wml"] = {"<?xml version=\"1.0\"?><wml><card id=\"c\" title=\"WAP\">"
               "<p>wml-card-text</p></card></wml>",
               "text/vnd.wap.wml"};
  {
    std::string title;
    for (int i = 0; i < 3000; ++i) title += u8"标题😀&lt;&amp;";
    p["/hostile"] = {"<html><head><title>" + title + "</title></head><body>x</body></html>"};
  }
  p["/notitle"] = {"<html><body>no title here</body></html>"};
  return p;
}

}  // namespace qv::test
