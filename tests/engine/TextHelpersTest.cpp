#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "base/ActiveContent.h"
#include "base/DisplayText.h"
#include "base/Encoding.h"
#include "base/HtmlText.h"
#include "base/Sha256.h"
#include "base/TextDecode.h"
#include "base/TextOps.h"
#include "base/TextRoutines.h"
#include "base/UrlEncode.h"

using namespace pw;

namespace {

// "中" in code page 936 is D6 D0; "杭" is BA BC; the trail byte of "瓜" (B9 CF)
// is no ASCII letter, but "乙" (D2 D2) and many others end in bytes from 0x40 up.
const std::string kTrailIsN = "\xC4\x6E";  // a character whose trail byte is 'n'

}  // namespace

TEST(TextOps, FindNeverMatchesOnATrailByte) {
    const std::string text = kTrailIsN + "ame:";  // bytes: C4 'n' 'a' 'm' 'e' ':'
    EXPECT_EQ(Find(text, "name:", 0), -1);
    EXPECT_EQ(Find(text, "ame:", 0), 2);
    EXPECT_EQ(FindChar(text, 'n', 0), -1);
    EXPECT_EQ(Find("x" + text + " name:", "name:", 0), 8);
    // Far from any single-byte character the boundaries still hold.
    std::string run;
    for (int i = 0; i < 1000; ++i) run += kTrailIsN;
    EXPECT_EQ(Find(run + "ame:", "name:", 0), -1);
    EXPECT_EQ(Find(run + "ame: name:", "name:", 0), 2005);
    EXPECT_EQ(Find(run + "ame: name:", "name:", 1), 2005);  // start on a trail byte
    // A lone lead byte at the very end is a character of its own.
    EXPECT_EQ(FindChar(std::string("ab\xC4"), '\xC4', 0), 2);
}

TEST(TextOps, FindStartRules) {
    EXPECT_EQ(Find("abcabc", "abc", 1), 3);
    EXPECT_EQ(Find("abc", "abc", -1), -1);
    EXPECT_EQ(Find("abc", "c", 4), -1);
    EXPECT_EQ(Find("abc", "c", 3), -1);
    EXPECT_EQ(Find("", "a", 0), -1);
    EXPECT_EQ(ReverseFindChar("a/b/c", '/'), 3);
    EXPECT_EQ(ReverseFindChar(kTrailIsN, 'n'), -1);
}

TEST(TextOps, CutsClamp) {
    const std::string text = "0123456789";
    EXPECT_EQ(Mid(text, 5, -1), "");
    EXPECT_EQ(Mid(text, 5, 0), "");
    EXPECT_EQ(Mid(text, -3, 2), "01");
    EXPECT_EQ(Mid(text, 14, 2), "");
    EXPECT_EQ(Mid(text, 8, 100), "89");
    EXPECT_EQ(Mid(text, -1), text);
    EXPECT_EQ(Left(text, -2), "");
    EXPECT_EQ(Left(text, 40), text);
    EXPECT_EQ(Right(text, 3), "789");
    EXPECT_EQ(Right(text, -3), "");
}

TEST(TextOps, TrimLowerReplace) {
    const std::string fullWidthSpace = "\xA1\xA1";
    std::string text = " \t\r\n" + fullWidthSpace + "Ab\v\f ";
    TrimLeft(text);
    TrimRight(text);
    EXPECT_EQ(text, fullWidthSpace + "Ab");

    std::string mixed = "<IMG SRC=\"X\">" + Gbk("中文") + "\xC4\x41";  // trail byte 'A' stays
    MakeLower(mixed);
    EXPECT_EQ(mixed, "<img src=\"x\">" + Gbk("中文") + "\xC4\x41");

    std::string r = "aaaa";
    EXPECT_EQ(Replace(r, "aa", "a"), 2);
    EXPECT_EQ(r, "aa");  // text produced by a replacement is not scanned again
    std::string t = kTrailIsN + "x nx";
    Replace(t, "nx", "N");
    EXPECT_EQ(t, kTrailIsN + "x N");
}

TEST(Encoding, CharactersOutsideCodePage936BecomeQuestionMarks) {
    // U+1F600 (emoji) and U+0E01 (Thai) have no GBK form; the text after them survives.
    std::string page = "<p>\xE4\xB8\xAD\xF0\x9F\x98\x80 mid \xE0\xB8\x81 end</p>\n";
    Utf8ToAnsi(page);
    EXPECT_EQ(page, "<p>" + Gbk("中") + "? mid ? end</p>\n");
    std::string broken = "a\xFF\xE4\xB8\xAD";  // malformed byte, then a valid character
    Utf8ToAnsi(broken);
    EXPECT_EQ(broken, "a?" + Gbk("中"));
    std::string back = Gbk("全部博文") + "x";
    AnsiToUtf8(back);
    EXPECT_EQ(back, "全部博文x");
    std::string large(300000, 'a');
    large += "\xE4\xB8\xAD";
    Utf8ToAnsi(large);
    EXPECT_EQ(large.size(), 300002u);
}

TEST(Encoding, MarkupFormsWriteWhatCodePage936LacksAsReferences) {
    // U+1F600 (four bytes), U+0E01 (Thai) and U+00F1 (which GBK lacks too).
    std::string page =
        "<p>\xE4\xB8\xAD\xF0\x9F\x98\x80 \xE0\xB8\x81 ma\xC3\xB1"
        "ana</p>";
    Utf8ToAnsiMarkup(page);
    EXPECT_EQ(page, "<p>" + Gbk("中") + "&#128512; &#3585; ma&#241;ana</p>");
    // Malformed, overlong ("/" in two bytes) and surrogate forms name no character.
    EXPECT_EQ(ToAnsiMarkup("a\xFF b\xE0\x80\xAF c\xED\xA0\x80 d"), "a? b? c? d");
    EXPECT_EQ(ToAnsiMarkup("plain ascii & <b>"), "plain ascii & <b>");
    // UTF-16: a surrogate pair is one character, a lone surrogate none.
    EXPECT_EQ(Utf16ToAnsiMarkup(u"\u4E2D\U0001F600x"), Gbk("中") + "&#128512;x");
    EXPECT_EQ(Utf16ToAnsiMarkup(std::u16string(u"a") + char16_t(0xD83D) + u"b"), "a?b");
    EXPECT_EQ(Utf16ToAnsi(u"\U0001F600x"), "?x");
    // Readers decode the reference; the plain form still gives "?".
    EXPECT_EQ(ToUtf8(ToAnsiMarkup("\xF0\x9F\x98\x80")), "&#128512;");
    EXPECT_EQ(ToAnsi("\xF0\x9F\x98\x80"), "?");
}

TEST(Encoding, ShownTextTurnsReferencesBackIntoCharacters) {
    const std::string ansi = ToAnsiMarkup("阳光正好😀真是难得");
    EXPECT_EQ(ToUtf8Display(ansi), "阳光正好😀真是难得");
    EXPECT_EQ(ToUtf8Display(Gbk("&#x41;&#66; 与 &amp; 与 &#;")), "AB 与 &amp; 与 &#;");
    // A reference may not smuggle a control character (an escape) into a terminal.
    EXPECT_EQ(ToUtf8Display("&#27;[2J&#155;&#xD800;&#99999999;"),
              "&#27;[2J&#155;&#xD800;&#99999999;");
}

TEST(DisplayText, ReferencesAreDecodedOnceAndNeverBecomeControls) {
    EXPECT_EQ(DisplayText("读《瓦尔登湖》&amp;随想 &#128512;&#x4E2D;&lt;b&gt;"),
              "读《瓦尔登湖》&随想 😀中<b>");
    EXPECT_EQ(DisplayText("&amp;amp; &nbsp;"), "&amp; \xC2\xA0");
    EXPECT_EQ(DisplayText("a&#10;b&#x1b;[2J&#155;c"), "a b [2J c");
    // What names nothing stays as written.
    EXPECT_EQ(DisplayText("&bogus; &#0; &#xD800; &#99999999; & amp; &amp"),
              "&bogus; &#0; &#xD800; &#99999999; & amp; &amp");
}

TEST(HtmlText, EscapingKeepsReferencesThatAreThere) {
    EXPECT_EQ(EscapeHtml("a < b > c \" d & e"), "a &lt; b &gt; c &quot; d &amp; e");
    EXPECT_EQ(EscapeHtml(Gbk("读《瓦尔登湖》&amp;随想")), Gbk("读《瓦尔登湖》&amp;随想"));
    EXPECT_EQ(EscapeHtml("&lt;script&gt; &#128512; &#x4e2d; &nbsp;"),
              "&lt;script&gt; &#128512; &#x4e2d; &nbsp;");
    // Only whole references count: no ";", no name, no digits, too long.
    EXPECT_EQ(EscapeHtml("AT&T &copy &; &#; &#x; &#123456789; & "),
              "AT&amp;T &amp;copy &amp;; &amp;#; &amp;#x; &amp;#123456789; &amp; ");
    EXPECT_EQ(EscapeHtml("x\"><param name=\"Local\" value=\"/etc/passwd\">"),
              "x&quot;&gt;&lt;param name=&quot;Local&quot; value=&quot;/etc/passwd&quot;&gt;");
    // Trail bytes of code page 936 characters are never taken for markup.
    EXPECT_EQ(EscapeHtml(Gbk("中文标题")), Gbk("中文标题"));
}

TEST(HtmlText, ScriptAddressesInEveryDisguise) {
    for (const char* address :
         {"javascript:alert(1)", " JavaScript:x", "\tjava\nscript:x", "&#106;avascript:x",
          "&#x6A;avascript:x", "&#106avascript:x", "javascript&colon;x", "java&Tab;script:x",
          "vbscript:msgbox", "\x01javascript:x"}) {
        EXPECT_TRUE(IsScriptAddress(address)) << address;
        EXPECT_EQ(LinkTarget(address), "") << address;
    }
    for (const char* address : {"http://a.example.com/?q=javascript:", "img/1_1.png", "", "data:,x",
                                "javascripts:x", "#javascript:"}) {
        EXPECT_FALSE(IsScriptAddress(address)) << address;
    }
    EXPECT_EQ(LinkTarget("http://a.example.com/?a=1&b=\"2\""),
              "http://a.example.com/?a=1&amp;b=&quot;2&quot;");
}

TEST(ActiveContent, ScriptsFramesAndPluginsGoTheRestStays) {
    EXPECT_EQ(WithoutActiveContent("a<script type=\"text/javascript\">x = '<p>';</script>b"), "ab");
    EXPECT_EQ(WithoutActiveContent("a<SCRIPT>x</SCRIPT >b<Script/src=x></scripT>c"), "abc");
    EXPECT_EQ(WithoutActiveContent("a<script>never closed <p>text"), "a");
    EXPECT_EQ(WithoutActiveContent("a<iframe src=x><p>not shown</p></iframe>b</iframe>c"), "abc");
    EXPECT_EQ(WithoutActiveContent("<object data=a.swf><param name=q value=1><embed src=a.swf>"
                                   "<p>fallback</p></object><applet code=x>t</applet>"
                                   "<frameset><frame src=x></frameset>"),
              "<param name=q value=1><p>fallback</p>t");
    // Look-alikes stay.
    EXPECT_EQ(WithoutActiveContent("<scripts>a</scripts><objection>b<p>script</p>"),
              "<scripts>a</scripts><objection>b<p>script</p>");
}

TEST(ActiveContent, EventAttributesAndScriptAddressesGoTheTagStays) {
    EXPECT_EQ(WithoutActiveContent("<img src=\"a.png\" onerror=\"x()\" alt='A'>"),
              "<img src=\"a.png\" alt='A'>");
    EXPECT_EQ(WithoutActiveContent("<a/onclick=x href=\"http://e.example.com/\">t</a>"),
              "<a href=\"http://e.example.com/\">t</a>");
    EXPECT_EQ(WithoutActiveContent("<a href=\"ja&#x0A;vascript:x\"title=t>t</a>"),
              "<a title=t>t</a>");
    EXPECT_EQ(WithoutActiveContent("<p ONMOUSEOVER = 'x' class=c>t</p><br onload=x />"),
              "<p class=c>t</p><br />");
    EXPECT_EQ(WithoutActiveContent("<form action=\"vbscript:x\"><input onfocus=x autofocus>"),
              "<form><input autofocus>");
    EXPECT_EQ(WithoutActiveContent("<div style=\"width: expression(alert(1))\">t</div>"
                                   "<div style=\"background: url(java\\script:x)\">u</div>"
                                   "<meta http-equiv=refresh content=\"0;url=javascript:x\">"
                                   "<div style=\"color: red\">v</div>"),
              "<div>t</div><div>u</div><meta http-equiv=refresh><div style=\"color: red\">v</div>");
    // Quoted values hold ">" and quotes of the other kind; code page 936 text
    // stays as it is (its trail bytes are no delimiters).
    const std::string title = Gbk("标题\"中文>");
    EXPECT_EQ(WithoutActiveContent("<a title='" + title + "' onclick=x>" + Gbk("正文") + "</a>"),
              "<a title='" + title + "'>" + Gbk("正文") + "</a>");
}

TEST(ActiveContent, MarkupHiddenWhereParsersDisagreeIsCleanedToo) {
    // A comment is text to HTML5, markup to conditional comments and old parsers.
    EXPECT_EQ(WithoutActiveContent("<!--[if IE]><script>x</script><![endif]-->t"),
              "<!--[if IE]><![endif]-->t");
    EXPECT_EQ(WithoutActiveContent("<!-- note -->t<!---->u<!-->v"), "<!-- note -->t<!---->u<!-->v");
    // The script after the comment's end is found whatever the quotes inside it.
    EXPECT_EQ(WithoutActiveContent("<!-- <a title=\"--><script>x</script>\"> -->"),
              "<!-- <a title=\"-->\"> -->");
    // Raw text ends at its own end tag, not inside an attribute of what looks like a tag.
    EXPECT_EQ(WithoutActiveContent("<style><a title=\"</style><script>x</script>\"></style>"),
              "<style><a title=\"</style>\"></style>");
    EXPECT_EQ(WithoutActiveContent("<textarea><script>x</script></textarea>"),
              "<textarea></textarea>");
    EXPECT_EQ(WithoutActiveContent("<title>a<b</title>"), "<title>a<b</title>");
    EXPECT_EQ(WithoutActiveContent("<!DOCTYPE html><?xml x?><![CDATA[<b>]]>"),
              "<!DOCTYPE html><?xml x?><![CDATA[<b>]]>");
}

TEST(ActiveContent, WhatIsLeftOutNeverJoinsIntoANewTag) {
    EXPECT_EQ(WithoutActiveContent("<<script>x</script>script>alert(1)<</script>/script>"),
              "&lt;script>alert(1)&lt;/script>");
    EXPECT_EQ(WithoutActiveContent("a <<embed>img src=x onerror=y>"), "a &lt;img src=x onerror=y>");
    EXPECT_EQ(WithoutActiveContent("1 < 2 <3 <>"), "1 < 2 <3 <>");
}

TEST(ActiveContent, HostileNestingStaysLinear) {
    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "<!--<style><textarea>";
    deep += "<script>x</script>";
    const std::string out = WithoutActiveContent(deep);
    EXPECT_EQ(out.find("<script"), std::string::npos);
    std::string many;
    for (int i = 0; i < 200000; ++i) many += "<a onclick=x><style>s</style>";
    EXPECT_EQ(WithoutActiveContent(many).find("onclick"), std::string::npos);
}

TEST(Sha256, KnownDigestsWholeAndInPieces) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";  // 56 bytes
    EXPECT_EQ(Sha256Hex(two), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    Sha256 pieces;
    for (int i = 0; i < 1000; ++i) pieces.Update(std::string(i % 2 ? 999 : 1001, 'a'));
    EXPECT_EQ(pieces.HexDigest(),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(TextDecode, HtmlEntitiesInTheirOrder) {
    std::string a = "&amp;quot;";
    DecodeHtmlEntities(a);
    EXPECT_EQ(a, "\"");
    std::string b = "&lt;b&gt;&hellip;&#47;&#38;lt;&nbsp;&copy;&reg;&apos;";
    DecodeHtmlEntities(b);
    // "&#38;lt;" becomes "&lt;" only after the "&lt;" pass, so it stays.
    EXPECT_EQ(b, "<b>&hellip;/&lt;   '");
}

TEST(TextDecode, ScriptEscapes) {
    EXPECT_EQ(DecodeScriptEscapes("\\u4e2D"), u"\u4E2D");
    EXPECT_EQ(DecodeScriptEscapes("a\\nb\\t\\\"\\/\\\\"), u"a\nb\t\"/\\");
    EXPECT_EQ(DecodeScriptEscapes("x\\qy"), u"x\\qy");
    EXPECT_EQ(DecodeScriptEscapes("ab\\u12zz"), u"ab");
    EXPECT_EQ(DecodeScriptEscapes("ab\\u12"), u"ab");  // cut short by the end
    EXPECT_EQ(DecodeScriptEscapes("end\\"), u"end\\");
    EXPECT_EQ(Utf16ToAnsi(DecodeScriptEscapes("\\u4e2d\\u6587")), Gbk("中文"));
}

TEST(UrlEncode, AnsiAndUtf8) {
    EXPECT_EQ(UrlEncodeAnsi("a b&c=d"), "a b&c=d");
    EXPECT_EQ(UrlEncodeAnsi(Gbk("中")), "%D6%D0");
    EXPECT_EQ(UrlEncodeUtf8(""), "");
    EXPECT_EQ(UrlEncodeUtf8(Gbk("中") + " x"), "%E4%B8%AD x");
}

TEST(TextRoutines, SplitTokens) {
    std::vector<std::string> tokens{"stale"};
    EXPECT_EQ(SplitTokens("s0,s1,,s2", ",", tokens), 3);
    EXPECT_EQ(tokens, (std::vector<std::string>{"s0", "s1", "s2"}));
    EXPECT_EQ(SplitTokens(",;a;", ",;", tokens), 1);
    EXPECT_EQ(SplitTokens("", ",", tokens), 0);
    // A trail byte equal to a delimiter does not split the character.
    EXPECT_EQ(SplitTokens(kTrailIsN + "n", "n", tokens), 1);
    EXPECT_EQ(tokens[0], kTrailIsN);
}

TEST(TextRoutines, FormatTimeInLocalTime) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Asia/Shanghai", 1);
    tzset();
    EXPECT_EQ(FormatTime(0), "1970-01-01 08:00:00");
    EXPECT_EQ(FormatTime(1234567890), "2009-02-14 07:31:30");
    EXPECT_EQ(FormatTime(-1), "");
    EXPECT_EQ(NowText().size(), 19u);
    if (old) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

TEST(TextRoutines, RandomFraction) {
    const std::string r = RandomFraction(16);
    ASSERT_EQ(r.size(), 18u);
    EXPECT_EQ(r.substr(0, 2), "0.");
    EXPECT_EQ(r.find_first_not_of("0123456789", 2), std::string::npos);
    EXPECT_NE(RandomFraction(16), RandomFraction(16));
}
