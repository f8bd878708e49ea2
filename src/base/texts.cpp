// Text look-up in the loaded language.
#include "base/texts.h"

#include "base/XmlLoader.h"

namespace keyloom {

std::unique_ptr<XmlLoader> xml;

std::string GetText(const std::string& key) { return FindText(key).value_or(std::string()); }

std::optional<std::string> FindText(const std::string& key) {
    if (!xml) return std::nullopt;
    return xml->find(key);
}

std::string LayerName(int layer) { return "M" + std::to_string(layer + 1); }

std::string FormatText(const std::string& key, std::initializer_list<std::string> args) {
    return FormatText(key, std::vector<std::string>(args));
}

std::string FormatText(const std::string& key, const std::vector<std::string>& args) {
    std::optional<std::string> format = FindText(key);
    if (!format) {
        std::string text = key;
        for (const std::string& arg : args) text += (text == key ? ": " : ", ") + arg;
        return text;
    }
    std::string text;
    auto next = args.begin();
    for (size_t i = 0; i < format->size(); ++i) {
        const char c = (*format)[i];
        const char conv = i + 1 < format->size() ? (*format)[i + 1] : '\0';
        if (c == '%' && conv == '%') {
            text += '%';
            ++i;
        } else if (c == '%' && (conv == 's' || conv == 'd')) {
            if (next != args.end()) text += *next++;
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

std::string ReasonText(const Reason& reason) {
    if (reason.empty()) return {};
    std::string text = FormatText(reason.code, reason.values);
    for (const Reason& cause : reason.causes) {
        const std::string why = ReasonText(cause);
        if (!why.empty()) text += "\n" + why;
    }
    return text;
}

}  // namespace keyloom
