#include "text/DeclaredCharset.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

TDeclaredCharset Classify(std::string_view label)
{
    while (!label.empty() && IsSpace(label.front()))
        label.remove_prefix(1);
    while (!label.empty() && IsSpace(label.back()))
        label.remove_suffix(1);
    if (label.empty())
        return dcNone;
    static constexpr std::string_view utf8Labels[] = {"utf-8",          "utf8",         "unicode-1-1-utf-8",
                                                      "unicode11utf8",  "unicode20utf8", "x-unicode20utf8"};
    return std::find(std::begin(utf8Labels), std::end(utf8Labels), label) != std::end(utf8Labels) ? dcUtf8
                                                                                                   : dcOther;
}

// Reads the head lower-cased, so names and labels compare directly.
class TPrescan {
public:
    explicit TPrescan(std::string Text) : FText(std::move(Text)) {}

    TDeclaredCharset Run()
    {
        if (FText.starts_with("<?xml") && FText.size() > 5 && IsSpace(FText[5]))
            if (const TDeclaredCharset found = XmlDeclaration(); found != dcNone)
                return found;
        while (FPos < FText.size()) {
            const std::string_view rest = std::string_view(FText).substr(FPos);
            if (rest.starts_with("<!--")) {
                const size_t end = FText.find("-->", FPos + 4);
                FPos = end == std::string::npos ? FText.size() : end + 3;
            } else if (rest.starts_with("<meta") && rest.size() > 5 && (IsSpace(rest[5]) || rest[5] == '/')) {
                FPos += 5;
                if (const TDeclaredCharset found = Meta(); found != dcNone)
                    return found;
            } else if (rest.size() > 1 && rest[0] == '<' &&
                       (std::isalpha(static_cast<unsigned char>(rest[1])) || rest[1] == '/')) {
                // Another tag: its attributes are read so that a '>' inside a quoted value does
                // not end it early.
                FPos += rest[1] == '/' ? 2 : 1;
                while (FPos < FText.size() && !IsSpace(FText[FPos]) && FText[FPos] != '>')
                    ++FPos;
                std::string name, value;
                while (Attribute(name, value)) {
                }
            } else if (rest.starts_with("<!") || rest.starts_with("<?")) {
                const size_t end = FText.find('>', FPos + 2);
                FPos = end == std::string::npos ? FText.size() : end + 1;
            } else {
                ++FPos;
            }
        }
        return dcNone;
    }

private:
    // The attributes of a <meta> element: charset, or http-equiv="content-type" with a content
    // that names a charset.
    TDeclaredCharset Meta()
    {
        std::string name, value, content;
        bool contentType = false;
        TDeclaredCharset charset = dcNone;
        while (Attribute(name, value)) {
            if (name == "charset" && charset == dcNone)
                charset = Classify(value);
            else if (name == "http-equiv")
                contentType = value == "content-type";
            else if (name == "content" && content.empty())
                content = value;
        }
        if (charset != dcNone)
            return charset;
        return contentType ? FromContent(content) : dcNone;
    }

    // The charset parameter of a Content-Type value ("text/html; charset=utf-8").
    static TDeclaredCharset FromContent(std::string_view content)
    {
        for (size_t at = content.find("charset"); at != std::string_view::npos;
             at = content.find("charset", at + 1)) {
            size_t i = at + 7;
            while (i < content.size() && IsSpace(content[i]))
                ++i;
            if (i >= content.size() || content[i] != '=')
                continue;
            ++i;
            while (i < content.size() && IsSpace(content[i]))
                ++i;
            if (i < content.size() && (content[i] == '"' || content[i] == '\'')) {
                const size_t end = content.find(content[i], i + 1);
                if (end == std::string_view::npos)
                    return dcNone;
                return Classify(content.substr(i + 1, end - i - 1));
            }
            size_t end = i;
            while (end < content.size() && !IsSpace(content[end]) && content[end] != ';')
                ++end;
            return Classify(content.substr(i, end - i));
        }
        return dcNone;
    }

    // One attribute of the tag being read; false at the tag's end ('>' or the end of the head).
    bool Attribute(std::string &name, std::string &value)
    {
        name.clear();
        value.clear();
        while (FPos < FText.size() && (IsSpace(FText[FPos]) || FText[FPos] == '/'))
            ++FPos;
        if (FPos >= FText.size())
            return false;
        if (FText[FPos] == '>') {
            ++FPos;
            return false;
        }
        while (FPos < FText.size() && !IsSpace(FText[FPos]) && FText[FPos] != '/' && FText[FPos] != '>' &&
               (FText[FPos] != '=' || name.empty()))
            name += FText[FPos++];
        while (FPos < FText.size() && IsSpace(FText[FPos]))
            ++FPos;
        if (FPos >= FText.size() || FText[FPos] != '=')
            return true; // an attribute without a value
        ++FPos;
        while (FPos < FText.size() && IsSpace(FText[FPos]))
            ++FPos;
        if (FPos < FText.size() && (FText[FPos] == '"' || FText[FPos] == '\'')) {
            const char quote = FText[FPos++];
            while (FPos < FText.size() && FText[FPos] != quote)
                value += FText[FPos++];
            if (FPos >= FText.size()) { // cut off by the head's end: the value is not known
                name.clear();
                value.clear();
                return false;
            }
            ++FPos;
            return true;
        }
        while (FPos < FText.size() && !IsSpace(FText[FPos]) && FText[FPos] != '>')
            value += FText[FPos++];
        return true;
    }

    // <?xml version="1.0" encoding="UTF-8"?>
    TDeclaredCharset XmlDeclaration()
    {
        const size_t end = FText.find("?>");
        const std::string_view decl = std::string_view(FText).substr(0, end);
        const size_t at = decl.find("encoding");
        if (at == std::string_view::npos)
            return dcNone;
        size_t i = at + 8;
        while (i < decl.size() && IsSpace(decl[i]))
            ++i;
        if (i >= decl.size() || decl[i] != '=')
            return dcNone;
        ++i;
        while (i < decl.size() && IsSpace(decl[i]))
            ++i;
        if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\''))
            return dcNone;
        const size_t close = decl.find(decl[i], i + 1);
        if (close == std::string_view::npos)
            return dcNone;
        return Classify(decl.substr(i + 1, close - i - 1));
    }

    std::string FText;
    size_t FPos = 0;
};

} // namespace

TDeclaredCharset FindDeclaredCharset(const uint8_t *data, size_t size)
{
    std::string head(reinterpret_cast<const char *>(data), std::min(size, kCharsetPrescanBytes));
    for (char &c : head)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return TPrescan(std::move(head)).Run();
}
