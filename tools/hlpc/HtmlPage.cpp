#include "HtmlPage.h"

#include "TextCodec.h"

namespace hlpc {
namespace {

// Shift-JIS text as HTML text in UTF-8.
std::string Html(const std::string& sjis) {
    std::string out;
    for (char c : ShiftJisToUtf8(sjis)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

// A tab stop of the help window: the text after it starts in the next column.
constexpr char kTab[] = "<span class=\"tab\"></span>";

constexpr char kStyle[] =
    "body{font-family:\"MS PGothic\",\"IPAPGothic\",sans-serif;margin:1em 2em;"
    "line-height:1.6}\n"
    "section{margin-bottom:2.5em}\n"
    "h1{font-size:1.4em}h2{font-size:1.2em;border-bottom:1px solid #888}\n"
    "a{color:#008000}\n"
    ".tab{display:inline-block;width:6em}\n"
    "footer{color:#555;font-size:.9em}\n";

std::string ParagraphHtml(const Paragraph& paragraph) {
    std::string out = "<p>";
    for (const Run& run : paragraph.runs) {
        switch (run.kind) {
        case Run::Kind::Text: out += Html(run.text); break;
        case Run::Kind::Tab: out += kTab; break;
        case Run::Kind::LineBreak: out += "<br>\n"; break;
        case Run::Kind::Jump:
            out += "<a href=\"#" + Html(run.target) + "\">" + Html(run.text) + "</a>";
            break;
        }
    }
    return out + "</p>\n";
}

}  // namespace

std::string BuildHtmlPage(const HelpProject& project) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
        Html(project.title) + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n";
    bool first = true;
    for (const Topic& topic : project.topics) {
        // The contents topic heads the page as its title does in the help window.
        const char* heading = first ? "h1" : "h2";
        out += "<section id=\"" + Html(topic.context) + "\">\n<" + heading + ">" +
               Html(topic.title) + "</" + heading + ">\n";
        for (const Paragraph& paragraph : topic.paragraphs) out += ParagraphHtml(paragraph);
        out += "</section>\n";
        first = false;
    }
    if (!project.copyright.empty()) out += "<footer>" + Html(project.copyright) + "</footer>\n";
    return out + "</body>\n</html>\n";
}

}  // namespace hlpc
