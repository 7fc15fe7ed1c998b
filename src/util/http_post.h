// A small blocking HTTP client that posts one request and reads one answer,
// for services reached over plain http (a time-stamp authority: its tokens
// are signed, so the transport need not be trusted). No TLS, no redirects,
// no proxies, no keep-alive.
//
// The request goes out as HTTP/1.0 with "Connection: close", so a server
// never answers with the chunked coding; one that does anyway is refused.
// The body is read by Content-Length, or up to the close without one.
//
// Everything the server sends is hostile until checked: the headers and the
// body have caps, a Content-Length is checked against the cap before any of
// the body is read, and one deadline covers the name lookup, the connection,
// the request and the answer, so a server that accepts and never answers (or
// trickles) costs the caller at most the timeout.
//
// Thread safety: the functions share no state; call them from any thread.
#ifndef TAV_UTIL_HTTP_POST_H_
#define TAV_UTIL_HTTP_POST_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "util/store_status.h"

namespace tav {

// The parts of an http:// URL that a request needs.
struct HttpUrl {
  std::string host;  // a name or an address, without IPv6 brackets
  int port = 80;
  std::string path = "/";   // with the query; never holds a fragment
  std::string host_header;  // what goes into "Host:" (brackets, a port that is not 80)
};

// Splits "http://host[:port][/path][?query][#fragment]". The host is a name,
// a dotted IPv4 address, or an IPv6 address in brackets. kInvalid with a
// message for anything else: another scheme (https included), a user name
// ("user@host"), a port outside 1..65535, spaces or control bytes.
StoreStatus ParseHttpUrl(std::string_view url, HttpUrl* out);

struct HttpPostOptions {
  int timeout_ms = 10000;                   // for the whole exchange
  size_t max_body_bytes = size_t{1} << 20;  // larger answers are refused
};

struct HttpResponse {
  int status = 0;            // e.g. 200
  std::string content_type;  // as sent, "" without one
  std::string body;
};

// Posts `body` with the given Content-Type to `url` and reads the answer into
// *response, which is reset first.
//
// Ok only for a complete answer with a 2xx status. Otherwise:
//   kInvalid     the URL does not parse (see ParseHttpUrl);
//   kBusy        the deadline passed (no connection, or no complete answer);
//   kUnavailable the server answered with a status other than 2xx
//                (*response then holds that answer);
//   kIOError     anything else: the name does not resolve, the connection is
//                refused or breaks, the answer is not HTTP, is larger than
//                max_body_bytes, or ends before its Content-Length.
StoreStatus HttpPost(const std::string& url, std::string_view content_type, std::string_view body,
                     const HttpPostOptions& options, HttpResponse* response);

}  // namespace tav

#endif  // TAV_UTIL_HTTP_POST_H_
