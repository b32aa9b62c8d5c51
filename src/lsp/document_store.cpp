#include "lsp/document_store.h"

namespace binario::lsp {

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

[[maybe_unused]] bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::optional<std::string> path_of_uri(std::string_view uri) {
    constexpr std::string_view scheme = "file://";
    if (uri.substr(0, scheme.size()) != scheme) return std::nullopt;
    uri.remove_prefix(scheme.size());
    // "file://host/path": only the local host (empty or "localhost") names a file here.
    const size_t slash = uri.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = uri.substr(0, slash);
    if (!host.empty() && host != "localhost") return std::nullopt;
    uri.remove_prefix(slash);
    std::string path;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hex_value(uri[i + 1]) >= 0 &&
            hex_value(uri[i + 2]) >= 0) {
            path.push_back(static_cast<char>(hex_value(uri[i + 1]) * 16 + hex_value(uri[i + 2])));
            i += 2;
        } else if (uri[i] == '?' || uri[i] == '#') {
            break;
        } else {
            path.push_back(uri[i]);
        }
    }
    if (path.find('\0') != std::string::npos) return std::nullopt;
#ifdef _WIN32
    // "file:///C:/a/b.txt" names "C:/a/b.txt".
    if (path.size() >= 3 && path[0] == '/' && is_letter(path[1]) && path[2] == ':')
        path.erase(0, 1);
#endif
    return path;
}

std::string uri_of_path(std::string_view path) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string uri = "file://";
#ifdef _WIN32
    // "C:\a\b.txt" is "file:///C:/a/b.txt".
    std::string slashes(path);
    for (char& c : slashes)
        if (c == '\\') c = '/';
    if (slashes.size() >= 2 && is_letter(slashes[0]) && slashes[1] == ':') {
        uri += '/';
        uri += slashes.substr(0, 2);
        slashes.erase(0, 2);
    }
    path = slashes;
#endif
    for (char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            uri.push_back(ch);
        } else {
            uri.push_back('%');
            uri.push_back(digits[c >> 4]);
            uri.push_back(digits[c & 0xF]);
        }
    }
    return uri;
}

document& document_store::open(const std::string& uri, std::string text, int64_t version) {
    document& d = documents_[uri];
    d.uri = uri;
    d.path = path_of_uri(uri).value_or(std::string());
    d.text = std::move(text);
    d.version = version;
    return d;
}

document* document_store::change(const std::string& uri, std::string text, int64_t version) {
    auto it = documents_.find(uri);
    if (it == documents_.end()) return nullptr;
    it->second.text = std::move(text);
    it->second.version = version;
    return &it->second;
}

void document_store::close(const std::string& uri) {
    documents_.erase(uri);
}

const document* document_store::find(const std::string& uri) const {
    auto it = documents_.find(uri);
    return it == documents_.end() ? nullptr : &it->second;
}

const document* document_store::find_path(const std::string& path) const {
    for (const auto& [uri, d] : documents_)
        if (!d.path.empty() && d.path == path) return &d;
    return nullptr;
}

}  // namespace binario::lsp
