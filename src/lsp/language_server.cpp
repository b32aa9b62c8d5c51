#include "lsp/language_server.h"

#include "lsp/diagnostic_mapping.h"
#include "lsp/editor_features.h"
#include "lsp/related_record.h"
#include "lsp/text_positions.h"
#include "service/scenario_names.h"

#ifndef BINARIO_VERSION
#define BINARIO_VERSION "0"
#endif

namespace binario::lsp {

namespace {

// JSON-RPC and LSP error codes.
constexpr int parse_error = -32700, invalid_request = -32600, method_not_found = -32601,
              invalid_params = -32602, server_not_initialized = -32002;

struct rpc_error {
    int code;
    std::string message;
};

std::optional<file_kind> kind_of(const std::string& path) {
    if (linea_da_nome_file(path)) return file_kind::line;
    if (path.size() > 5 && path.compare(path.size() - 5, 5, "-.txt") == 0) return file_kind::train;
    return std::nullopt;
}

const std::string& uri_param(const nlohmann::json& params) {
    return params.at("textDocument").at("uri").get_ref<const std::string&>();
}

nlohmann::json capabilities() {
    return {
        {"capabilities",
         {{"positionEncoding", "utf-16"},
          {"textDocumentSync",
           {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
          {"hoverProvider", true},
          {"documentSymbolProvider", true},
          {"completionProvider", {{"resolveProvider", false}}}}},
        {"serverInfo", {{"name", "binario"}, {"version", BINARIO_VERSION}}},
    };
}

}  // namespace

language_server::language_server(std::function<void(const std::string&)> send)
    : send_(std::move(send)) {}

void language_server::receive(std::string_view bytes) {
    reader_.feed(bytes);
    while (!exited_) {
        std::optional<framed_message> m = reader_.next();
        if (!m) break;
        if (m->ok)
            handle(m->body);
        else
            reply_error(nullptr, parse_error, "bad message header: " + m->fault);
    }
    if (!exited_) check_pending();
}

void language_server::handle(std::string_view body) {
    nlohmann::json message = nlohmann::json::parse(body, nullptr, false);
    if (message.is_discarded()) {
        reply_error(nullptr, parse_error, "the message is not valid JSON");
        return;
    }
    dispatch(message);
}

void language_server::dispatch(const nlohmann::json& message) {
    if (!message.is_object()) {
        reply_error(nullptr, invalid_request, "a message must be a JSON object");
        return;
    }
    const auto id_it = message.find("id");
    const bool has_id = id_it != message.end();
    const nlohmann::json id = has_id ? *id_it : nlohmann::json();
    if (has_id && !id.is_number_integer() && !id.is_string() && !id.is_null()) {
        reply_error(nullptr, invalid_request, "the id must be a number or a string");
        return;
    }
    const auto method_it = message.find("method");
    if (method_it == message.end()) {
        // A response to a request of ours: the server sends none.
        if (!has_id || (!message.contains("result") && !message.contains("error")))
            reply_error(id, invalid_request, "a message without a method");
        return;
    }
    if (!method_it->is_string()) {
        if (has_id) reply_error(id, invalid_request, "the method must be a string");
        return;
    }
    const std::string& method = method_it->get_ref<const std::string&>();
    const auto params_it = message.find("params");
    const nlohmann::json params =
        params_it != message.end() ? *params_it : nlohmann::json::object();
    try {
        if (!has_id) {
            notification(method, params);
            return;
        }
        if (shutdown_) throw rpc_error{invalid_request, "the server is shut down"};
        if (!initialized_ && method != "initialize")
            throw rpc_error{server_not_initialized, "the server is not initialized"};
        reply(id, request(method, params));
    } catch (const rpc_error& e) {
        if (has_id) reply_error(id, e.code, e.message);
    } catch (const nlohmann::json::exception& e) {
        if (has_id) reply_error(id, invalid_params, std::string("invalid params: ") + e.what());
    }
}

nlohmann::json language_server::request(const std::string& method, const nlohmann::json& params) {
    if (method == "initialize") {
        if (initialized_) throw rpc_error{invalid_request, "initialize was already received"};
        initialized_ = true;
        return capabilities();
    }
    if (method == "shutdown") {
        shutdown_ = true;
        return nullptr;
    }
    if (method == "textDocument/hover" || method == "textDocument/documentSymbol" ||
        method == "textDocument/completion") {
        const document* doc = docs_.find(uri_param(params));
        if (doc == nullptr) return nullptr;
        const std::optional<file_kind> kind = kind_of(doc->path);
        if (!kind)
            return method == "textDocument/hover" ? nlohmann::json() : nlohmann::json::array();
        if (method == "textDocument/documentSymbol") return outline(*doc, *kind);
        const nlohmann::json& pos = params.at("position");
        const size_t line = pos.at("line").get<size_t>();
        if (method == "textDocument/completion") return completions(*doc, *kind, line);
        return hover_at(*doc, *kind, line, pos.at("character").get<uint32_t>(),
                        compiled_for(doc->path));
    }
    throw rpc_error{method_not_found, "unknown method '" + method + "'"};
}

void language_server::notification(const std::string& method, const nlohmann::json& params) {
    if (method == "exit") {
        exited_ = true;
        return;
    }
    if (!initialized_ || shutdown_) return;
    if (method == "textDocument/didOpen") {
        const nlohmann::json& td = params.at("textDocument");
        const document& d =
            docs_.open(td.at("uri").get<std::string>(), td.at("text").get<std::string>(),
                       td.value("version", int64_t{0}));
        touched(d.uri);
    } else if (method == "textDocument/didChange") {
        const std::string& uri = uri_param(params);
        const nlohmann::json& changes = params.at("contentChanges");
        // Full sync: the last change holds the whole text.
        if (!changes.is_array() || changes.empty()) return;
        if (docs_.change(uri, changes.back().at("text").get<std::string>(),
                         params.at("textDocument").value("version", int64_t{0})))
            touched(uri);
    } else if (method == "textDocument/didSave") {
        // The files on disk may have changed the partner of another open document.
        if (docs_.find(uri_param(params))) touched(uri_param(params));
    } else if (method == "textDocument/didClose") {
        closed(uri_param(params));
    }
    // Other notifications ($/cancelRequest, $/setTrace, workspace changes) need nothing.
}

void language_server::touched(const std::string& uri) {
    const document* d = docs_.find(uri);
    if (d == nullptr || d->path.empty()) return;
    std::optional<scenario_pair> pair = scenario_of(d->path, docs_);
    if (!pair) return;
    // A compile of another pairing of this file no longer stands: clear what it
    // published that the new pair will not publish again.
    for (auto it = checked_.begin(); it != checked_.end();) {
        const scenario_pair& old = it->second.pair;
        if (it->first != pair->key() && (old.line_path == d->path || old.train_path == d->path)) {
            for (const std::string& u : it->second.published)
                if (u != uri_for(pair->line_path) &&
                    (pair->train_path.empty() || u != uri_for(pair->train_path)))
                    publish_empty(u);
            it = checked_.erase(it);
        } else {
            ++it;
        }
    }
    pending_[pair->key()] = *pair;
}

void language_server::closed(const std::string& uri) {
    const document* d = docs_.find(uri);
    if (d == nullptr) return;
    const std::string path = d->path;
    docs_.close(uri);
    for (auto it = checked_.begin(); it != checked_.end();) {
        const scenario_pair& p = it->second.pair;
        if (p.line_path != path && p.train_path != path) {
            ++it;
            continue;
        }
        pending_.erase(it->first);
        const document* other = docs_.find_path(p.line_path == path ? p.train_path : p.line_path);
        std::set<std::string> published = std::move(it->second.published);
        it = checked_.erase(it);
        if (other != nullptr) {
            // Still open on the other side: compile again with the file on disk.
            if (auto again = scenario_of(other->path, docs_)) pending_[again->key()] = *again;
        } else {
            for (const std::string& u : published) publish_empty(u);
        }
    }
}

void language_server::check_pending() {
    for (auto& [key, pair] : pending_) {
        auto result = std::make_shared<const scenario_result>(check_scenario(pair, docs_));
        publish(pair, *result);
        checked& c = checked_[key];
        c.pair = pair;
        c.result = std::move(result);
        c.published.insert(uri_for(pair.line_path));
        if (!pair.train_path.empty()) c.published.insert(uri_for(pair.train_path));
    }
    pending_.clear();
}

void language_server::publish(const scenario_pair& pair, const scenario_result& result) {
    struct target {
        std::string path;
        line_index lines;
        nlohmann::json list = nlohmann::json::array();
    };
    std::vector<target> targets;
    targets.push_back({pair.line_path, line_index(result.line_text)});
    if (!pair.train_path.empty())
        targets.push_back({pair.train_path, line_index(result.train_text)});
    for (const diagnostica& d : result.diagnostics) {
        // Faults of the steps after reading belong to no file: they go with the
        // train file, whose records they concern, or the line file when alone.
        const std::string& file = d.file.empty() ? targets.back().path : d.file;
        std::optional<related_place> related;
        if (auto taker = cell_taker(d, pair.line_path, result.line_text, pair.train_path,
                                    result.train_text)) {
            const bool in_line = taker->path == pair.line_path;
            related = related_place{uri_for(taker->path), taker->line,
                                    targets[in_line ? 0 : 1].lines.line(taker->line),
                                    "the record that took the cell"};
        }
        for (target& t : targets)
            if (t.path == file) t.list.push_back(to_lsp_diagnostic(d, t.lines, related));
    }
    for (target& t : targets) {
        nlohmann::json params = {{"uri", uri_for(t.path)}, {"diagnostics", std::move(t.list)}};
        if (const document* d = docs_.find_path(t.path)) params["version"] = d->version;
        send_json({{"jsonrpc", "2.0"},
                   {"method", "textDocument/publishDiagnostics"},
                   {"params", std::move(params)}});
    }
}

void language_server::publish_empty(const std::string& uri) {
    send_json({{"jsonrpc", "2.0"},
               {"method", "textDocument/publishDiagnostics"},
               {"params", {{"uri", uri}, {"diagnostics", nlohmann::json::array()}}}});
}

std::string language_server::uri_for(const std::string& path) const {
    if (const document* d = docs_.find_path(path)) return d->uri;
    return uri_of_path(path);
}

const scenario_result* language_server::compiled_for(const std::string& path) const {
    for (const auto& [key, c] : checked_)
        if (c.pair.line_path == path || c.pair.train_path == path) return c.result.get();
    return nullptr;
}

void language_server::reply(const nlohmann::json& id, nlohmann::json result) {
    send_json({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void language_server::reply_error(const nlohmann::json& id, int code, const std::string& message) {
    send_json({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void language_server::send_json(const nlohmann::json& message) {
    // Texts from files are UTF-8 by now; any stray byte is replaced, not thrown on.
    send_(frame(message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)));
}

}  // namespace binario::lsp
