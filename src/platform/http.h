#pragma once

#include <cstddef>
#include <functional>
#include <string>

// What the server list needs of the web: one GET of a URL, its answer handed back through the
// event loop. Everything runs on the event loop's thread.
namespace zerlin::net {

struct HttpResponse {
    // The request reached the server and a whole answer came back: status holds its HTTP status.
    // False when it failed on the way (refused, timed out, TLS refused, too large): error says why.
    bool answered = false;
    int status = 0;
    std::string body;
    std::string error;
};

class HttpClient {
  public:
    using Handler = std::function<void(HttpResponse response)>;

    virtual ~HttpClient() = default;
    // Gets the URL. The handler is called once, later, from the event loop; never from inside this
    // call, never after cancel() or the client's end. A body longer than maxBytes fails the
    // request without being read whole.
    virtual void get(const std::string& url, std::size_t maxBytes, Handler handler) = 0;
    // Drops every request under way; their handlers are not called.
    virtual void cancel() = 0;
};

}  // namespace zerlin::net
