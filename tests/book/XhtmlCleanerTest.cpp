#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <set>

#include "book/EpubPackage.h"
#include "book/InlineStyle.h"
#include "book/WebAddress.h"
#include "book/XhtmlCleaner.h"
#include "book/XmlText.h"

namespace pw {
namespace {

std::string Clean(const std::string& html) {
    return CleanHtmlFragment(html, [](const std::string& src) {
        return src.rfind("img/", 0) == 0 ? "images/" + src.substr(4) : std::string();
    });
}

// Element and attribute names of the output: only those the cleaner may write,
// links to the web and pictures of the book.
void ExpectOnlyKnownMarkup(const std::string& xhtml) {
    static const std::set<std::string> elements = {
        "span", "em",   "strong",     "b",    "i",   "u",    "s",     "del",   "ins",
        "sub",  "sup",  "small",      "code", "kbd", "samp", "var",   "cite",  "q",
        "abbr", "mark", "p",          "h1",   "h2",  "h3",   "h4",    "h5",    "h6",
        "pre",  "div",  "blockquote", "ul",   "ol",  "li",   "table", "tbody", "tr",
        "td",   "th",   "br",         "hr",   "img", "a"};
    static const std::set<std::string> attributes = {"title", "style",   "href",    "src",
                                                     "alt",   "colspan", "rowspan", "start"};
    static const std::regex tag("<(/?)([a-z0-9]+)((?: [a-z]+=\"[^\"<]*\")*)(/?)>");
    static const std::regex attribute(" ([a-z]+)=\"([^\"]*)\"");
    std::string rest = xhtml;
    for (std::smatch m; std::regex_search(rest, m, tag); rest = m.suffix()) {
        EXPECT_TRUE(elements.count(m[2])) << m[0] << "\n" << xhtml;
        const std::string list = m[3];
        for (std::sregex_iterator a(list.begin(), list.end(), attribute), end; a != end; ++a) {
            const std::string name = (*a)[1], value = (*a)[2];
            EXPECT_TRUE(attributes.count(name)) << m[0];
            if (name == "href") {
                EXPECT_TRUE(std::regex_search(value, std::regex("^https?://"))) << value;
            }
            if (name == "src") {
                EXPECT_EQ(value.rfind("images/", 0), 0u) << value;
            }
        }
    }
    EXPECT_EQ(xhtml.find("<!"), std::string::npos);
    EXPECT_EQ(xhtml.find("<?"), std::string::npos);
}

bool IsWellFormedPage(const std::string& body) {
    return IsWellFormedXml(XhtmlDocument("t", body));
}

TEST(XhtmlCleanerTest, ContentModelsOfXhtmlHold) {
    const std::pair<std::string, std::string> cases[] = {
        {"<span>a<div>b</div>c</span>", "<span>ab<br/>c</span>"},
        {"<ul>x<li>a</li><p>b</p></ul>", "<ul><li>x</li><li>a</li><li><p>b</p></li></ul>"},
        {"<li>orphan</li>", "<div>orphan</div>"},
        {"<table>t<tr><td>a</td>b</tr></table>",
         "<table><tbody><tr><td>t</td></tr><tr><td>a</td><td>b</td></tr></tbody></table>"},
        {"<a href='http://a.com/'>x<div>y</div></a>", "<a href=\"http://a.com/\">xy<br/></a>"},
        {"<a href=\"http://a.com/\"><span>a<a href=\"http://b.com/\">b</a></span></a>",
         "<a href=\"http://a.com/\"><span>a<span>b</span></span></a>"},
        {"<span>a<hr>b</span>", "<span>a<br/>b</span>"},
        {"<dl><dt>t<dd>d</dl>",
         "<div><div style=\"font-weight: bold\">t</div><blockquote>d</blockquote></div>"},
        {"<font color=red size=9>r</font><center>c</center>",
         "<span style=\"color: red\">r</span><div style=\"text-align: center\">c</div>"},
        {"<ol start=\"3\" type=\"i\"><li value=\"9\">a</ol>", "<ol start=\"3\"><li>a</li></ol>"},
        {"<p onclick=\"x\" title='t\"' style=\"COLOR:#ABC; font-size: 99px; "
         "text-indent:2em\">p</p>",
         "<p title=\"t&#34;\" style=\"color: #abc; text-indent: 2em\">p</p>"},
        {"<td colspan=\"3\" rowspan=\"0\">c</td>", "<div>c</div>"},
    };
    for (const auto& [html, xhtml] : cases) EXPECT_EQ(Clean(html), xhtml) << html;
}

TEST(XhtmlCleanerTest, HeadingBlockBreaksAndStrayDocumentTagsAreRead) {
    EXPECT_EQ(Clean("<div>a</br>b</BR >c</div>"), "<div>a<br/>b<br/>c</div>");
    const std::string twice = Clean("<p>a</p></body></html><html><body><p>b</p>");
    EXPECT_EQ(twice, "<p>a</p><p>b</p>");
    EXPECT_EQ(Clean("<head><title>t</title><meta charset=gbk></head><p>x</p>"), "<p>x</p>");
}

TEST(XhtmlCleanerTest, ActiveContentAndForeignLinksGo) {
    const std::string out = Clean(
        "<script>a()</script><style>p{}</style><iframe src=\"http://x/\">f</iframe>"
        "<object data=\"o\"><param name=a value=b>fallback</object><embed src=\"e\">after embed"
        "<form action=\"http://f/\"><input value=v><select><option>o</select>form text</form>"
        "<p onload=\"x\" onmouseover=\"y\">p</p><a href=\"javascript:alert(1)\">j</a>"
        "<a href=\"JavaScript:x\">J</a><a href=\"data:text/html,x\">d</a><a href=\"/local\">l</a>"
        "<a href=\"http://user@evil.com/\">u</a><svg onload=\"x\"><text>s</text></svg>");
    EXPECT_EQ(out,
              "after embedform text<p>p</p><span>j</span><span>J</span><span>d</span>"
              "<span>l</span><span>u</span>");
}

TEST(XhtmlCleanerTest, PicturesStayOnlyWhenTheBookHasThem) {
    std::vector<std::string> asked;
    const std::string out = CleanHtmlFragment(
        "<img src=\"img/1_1.png\" alt=\"a\" width=\"100%\" onerror=\"x\">"
        "<img src=\"http://remote/p.jpg\" alt=\"&lt;remote&gt;\"><img alt=\"none\">",
        [&](const std::string& src) {
            asked.push_back(src);
            return src == "img/1_1.png" ? std::string("images/p1.png") : std::string();
        });
    EXPECT_EQ(out, "<img src=\"images/p1.png\" alt=\"a\"/>&#60;remote&#62;none");
    EXPECT_EQ(asked, (std::vector<std::string>{"img/1_1.png", "http://remote/p.jpg", ""}));
}

TEST(XhtmlCleanerTest, TextIsCleanedOfControlsAndNamedEntities) {
    const std::string out =
        Clean(std::string("<p>a") + '\0' + "b\x01\x1f&nbsp;&copy;&#0;&#128;&#x7f;c" +
              "\xff\xfe bad utf-8 \xe4\xb8\xad &amp; &lt;</p>");
    EXPECT_EQ(out,
              "<p>ab\xc2\xa0\xc2\xa9"
              "c bad utf-8 \xe4\xb8\xad &#38; &#60;</p>");
}

// Badly edited pages leave thousands of tags open; what lies that deep keeps
// its text, pictures and line breaks.
TEST(XhtmlCleanerTest, DeepNestingKeepsContentWithinBoundedDepth) {
    std::string html;
    for (int i = 0; i < 20000; ++i) html += i % 2 ? "<span>" : "<div>";
    html += "<p>deep <img src=\"img/1.png\"> text</p><p>next<script>x()</script></p>";
    const std::string out = Clean(html + "</div><p>after");
    EXPECT_NE(out.find("deep <img src=\"images/1.png\" alt=\"\"/> text<br/>next<br/>"),
              std::string::npos);
    EXPECT_NE(out.find("after"), std::string::npos);
    EXPECT_EQ(out.find("x()"), std::string::npos);
    EXPECT_LT(out.size(), 20000u);
    EXPECT_TRUE(IsWellFormedPage(out));
}

// Random tag soup from the pieces hostile pages are made of: whatever comes
// out is well-formed and uses only the markup the cleaner knows.
TEST(XhtmlCleanerTest, RandomTagSoupAlwaysGivesCleanWellFormedXhtml) {
    const std::vector<std::string> pieces = {"<div>",
                                             "</div>",
                                             "<p>",
                                             "</p>",
                                             "<span style=\"color:red;x:y\">",
                                             "</span>",
                                             "<a href=\"",
                                             "http://a.com/x y",
                                             "javascript:alert(1)",
                                             "\">",
                                             "</a>",
                                             "<table>",
                                             "<tr>",
                                             "<td>",
                                             "</td>",
                                             "</tr>",
                                             "</table>",
                                             "<ul>",
                                             "<li>",
                                             "</ul>",
                                             "<img src=\"img/1.png\" alt=\"",
                                             "<img src=x onerror=alert(1)>",
                                             "<script>",
                                             "</script>",
                                             "<iframe>",
                                             "<!--",
                                             "-->",
                                             "--",
                                             "<![CDATA[",
                                             "]]>",
                                             "<!DOCTYPE html>",
                                             "<?xml x?>",
                                             "</body>",
                                             "<body onload=x>",
                                             "&nbsp;",
                                             "&",
                                             "&#0;",
                                             "&#xD800;",
                                             "<",
                                             ">",
                                             "\"",
                                             "'",
                                             "\x01",
                                             "\xe4\xb8\xad",
                                             "\xe4\xb8",
                                             "\xff",
                                             "text ",
                                             "<br>",
                                             "</br>",
                                             "<hr>",
                                             "<h1>",
                                             "<pre>",
                                             "<font color=#ff0000>",
                                             "<center>",
                                             "<form>",
                                             "<input>",
                                             "<select>",
                                             "<option>",
                                             "<object>",
                                             "<embed>",
                                             "<math>",
                                             "<svg>",
                                             "<td colspan=2>",
                                             "<th>",
                                             "<caption>",
                                             "<dl>",
                                             "<dt>",
                                             "<dd>",
                                             "<ol start=x>",
                                             "\r\n"};
    std::mt19937 random(20240601);
    for (int round = 0; round < 400; ++round) {
        std::string html;
        const int length = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < length; ++i) html += pieces[random() % pieces.size()];
        const std::string out = Clean(html);
        ASSERT_TRUE(IsWellFormedPage(out)) << html << "\n=> " << out;
        ExpectOnlyKnownMarkup(out);
        if (HasFailure()) break;
    }
}

TEST(WebAddressTest, OnlyPlainWebAddressesRemainAndAreValidUris) {
    const std::pair<std::string, std::string> cases[] = {
        {"http://Blog.Example.com/a/b.html?x=1#top", "http://blog.example.com/a/b.html?x=1#top"},
        {"  https://a.com:8080/  ", "https://a.com:8080/"},
        {"//a.com/x", "http://a.com/x"},
        {"http://a.com/\xe4\xb8\xad x\"<>|{}`^\\",
         "http://a.com/%E4%B8%AD%20x%22%3C%3E%7C%7B%7D%60%5E%5C"},
        {"http://a.com/%zz%41#a#b", "http://a.com/%25zz%41#a%23b"},
        {"http://a.com", "http://a.com"},
        {"javascript:alert(1)", ""},
        {"JAVASCRIPT:alert(1)", ""},
        {"data:text/html;base64,x", ""},
        {"file:///etc/passwd", ""},
        {"/relative/path", ""},
        {"http://user:pw@a.com/", ""},
        {"http://a..com/", ""},
        {"http://-a.com/", ""},
        {"http://\xe4\xb8\xad.com/", ""},
        {"http://a.com:port/", ""},
        {"http:///x", ""},
    };
    for (const auto& [address, safe] : cases) EXPECT_EQ(SafeWebAddress(address), safe) << address;
}

TEST(InlineStyleTest, OnlyCheckedPresentationIsKept) {
    EXPECT_EQ(KeptDeclarations("COLOR: Red; text-align:CENTER;font-weight:700;font-style:italic;"
                               "text-decoration:underline;text-indent:2em;;"),
              (std::vector<std::string>{"color: red", "text-align: center", "font-weight: 700",
                                        "font-style: italic", "text-decoration: underline",
                                        "text-indent: 2em"}));
    EXPECT_TRUE(KeptDeclarations("position:fixed;width:900px;background:url(javascript:x);"
                                 "color:expression(alert(1));color:#12;text-indent:999em;"
                                 "font-family:x;text-align:centre;color")
                    .empty());
    EXPECT_EQ(KeptDeclaration("color", "ff0000"), "color: #ff0000");
    EXPECT_EQ(KeptDeclaration("text-indent", "1.5em"), "text-indent: 1.5em");
    EXPECT_EQ(KeptDeclaration("text-indent", "1.em"), "");
}

TEST(XmlTextTest, MarkupIsEscapedNumericallyAndOnlyAllowedCharactersStay) {
    EXPECT_EQ(XmlText("<a href=\"x\">&'</a>"),
              "&#60;a href=&#34;x&#34;&#62;&#38;&#39;&#60;/a&#62;");
    EXPECT_EQ(
        XmlText(std::string("a") + '\0' + "b\x01\x7f\xc2\x80\xc2\x9f|\xef\xbf\xbe|\xef\xb7\x90|"),
        "ab|||");
    EXPECT_EQ(XmlText("\xc0\xaf|\xed\xa0\x80|\xe4\xb8|\xf4\x90\x80\x80|ok"), "||||ok");
    EXPECT_EQ(XmlText("\xe4\xb8\xad\xf0\x9f\x98\x80\xc2\xa0"),
              "\xe4\xb8\xad\xf0\x9f\x98\x80\xc2\xa0");
    EXPECT_EQ(XmlText("a\r\nb\rc\td"), "a\nb\nc\td");
    EXPECT_EQ(XmlAttribute("a\r\nb\tc"), "a b c");
}

}  // namespace
}  // namespace pw
