#pragma once
// Where the publisher's web service lives and how long its clients wait.
// The shell decides where these are stored; the defaults name a placeholder
// host.
#include <chrono>
#include <string>

#include "imaging/http/HttpGet.h"

namespace imaging {

struct WebConfig {
  // The news and version text.
  std::string newsUrl = "http://www.pennet.example/pennet2/pennet2.txt";
  // The publisher's web pages (questions, a board for requests): this page
  // with "?id=" the page and "&app=" the product code.
  std::string sitePageUrl = "http://www.pennet.example/site/gd/index.php";
  std::string productCode = "pennet2";
  // The download server's host name as its error page names it, in the
  // marker "error (host)".
  std::string downloadHost = "www.pennet.example";
  // The news text is small: the whole read is bounded too.
  HttpTimeouts newsTimeouts{std::chrono::seconds(15), std::chrono::seconds(30), std::chrono::seconds(60)};
  // Downloads may be large: only connecting and silence are bounded.
  HttpTimeouts downloadTimeouts{std::chrono::seconds(15), std::chrono::seconds(30), std::chrono::seconds(0)};
};

}  // namespace imaging
