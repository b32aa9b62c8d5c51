#include "lsp/message_framing.h"

#include <algorithm>
#include <charconv>

namespace binario::lsp {

namespace {

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

framed_message fault(std::string text) {
    framed_message m;
    m.ok = false;
    m.fault = std::move(text);
    return m;
}

}  // namespace

void message_reader::feed(std::string_view bytes) {
    if (skip_ > 0) {
        const size_t n = std::min(skip_, bytes.size());
        skip_ -= n;
        bytes.remove_prefix(n);
    }
    buffer_.append(bytes);
}

void message_reader::compact() {
    // Consumed bytes are dropped once they make up most of the buffer, so that a
    // long session holds no more than the message being read.
    if (start_ > 0 && start_ * 2 >= buffer_.size()) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
}

std::optional<framed_message> message_reader::read_header() {
    const std::string_view rest(buffer_.data() + start_, buffer_.size() - start_);
    const size_t end = rest.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        if (rest.size() > max_header) {
            // No end of header in sight: drop what is held and start again.
            start_ = buffer_.size();
            compact();
            return fault("header longer than " + std::to_string(max_header) + " bytes");
        }
        return std::nullopt;
    }
    const std::string_view header = rest.substr(0, end);
    start_ += end + 4;
    std::optional<size_t> length;
    std::string problem;
    size_t pos = 0;
    while (pos <= header.size()) {
        size_t eol = header.find("\r\n", pos);
        if (eol == std::string_view::npos) eol = header.size();
        const std::string_view line = header.substr(pos, eol - pos);
        pos = eol + 2;
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            problem = "header line without ':'";
            continue;
        }
        if (!same_name(trimmed(line.substr(0, colon)), "content-length")) continue;
        const std::string_view value = trimmed(line.substr(colon + 1));
        size_t n = 0;
        const auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (value.empty() || ec != std::errc() || p != value.data() + value.size())
            problem = "Content-Length is not a whole number";
        else
            length = n;
    }
    if (!problem.empty()) return fault(problem);
    if (!length) return fault("header without Content-Length");
    if (*length > max_body) {
        // Drop the body as it comes instead of holding it.
        const size_t held = std::min(*length, buffer_.size() - start_);
        start_ += held;
        skip_ = *length - held;
        compact();
        return fault("message of " + std::to_string(*length) + " bytes is above the limit of " +
                     std::to_string(max_body));
    }
    body_ = *length;
    return std::nullopt;
}

std::optional<framed_message> message_reader::next() {
    if (!body_) {
        if (auto f = read_header()) return f;
        if (!body_) return std::nullopt;
    }
    if (buffer_.size() - start_ < *body_) return std::nullopt;
    framed_message m;
    m.body.assign(buffer_, start_, *body_);
    start_ += *body_;
    body_.reset();
    compact();
    return m;
}

std::string frame(std::string_view body) {
    std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out.append(body);
    return out;
}

}  // namespace binario::lsp
