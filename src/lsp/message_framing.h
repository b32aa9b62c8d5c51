// The framing of the language server's messages: each JSON body is preceded by
// header lines ("Content-Length: N", optionally "Content-Type: ...") and an
// empty line, all ended by CR LF. The reader takes bytes as they arrive, in
// pieces of any size, and hands out whole bodies.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace binario::lsp {

// What the reader found next: a whole body, or a header it could not use. After a
// bad header block the reader goes on with the bytes after that block.
struct framed_message {
    bool ok = true;
    std::string body;   // when ok
    std::string fault;  // when not ok: what was wrong, in English
};

class message_reader {
  public:
    // Bodies above this size are refused (their bytes are skipped as they come);
    // a header block above max_header bytes is refused too.
    static constexpr size_t max_body = 64u << 20;
    static constexpr size_t max_header = 8192;

    void feed(std::string_view bytes);
    // The next complete message or fault; nullopt when more bytes are needed.
    std::optional<framed_message> next();
    // Bytes held that do not yet make a whole message.
    size_t pending() const { return buffer_.size() - start_; }

  private:
    std::optional<framed_message> read_header();
    void compact();

    std::string buffer_;
    size_t start_ = 0;            // first byte not yet consumed
    std::optional<size_t> body_;  // length of the body being awaited
    size_t skip_ = 0;             // bytes of a refused body still to drop
};

// The body with its header, ready to write.
std::string frame(std::string_view body);

}  // namespace binario::lsp
