#include "documents/slowdown_order.h"
// placeholder until the document is transcribed
namespace binario {
std::span<const std::string_view> righe_rallentamenti() { return {}; }
void dati_rallentamenti(const std::string&, const std::string&, const std::string&) {}
}  // namespace binario
