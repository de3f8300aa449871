#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "base/ActiveContent.h"
#include "base/DisplayText.h"
#include "base/Encoding.h"
#include "base/HtmlText.h"
#include "base/Sha256.h"
#include "base/Text.h"
#include "base/UrlEncode.h"

using namespace pw;

TEST(Text, MarkersAreFoundWhereTheirCharactersBegin) {
    // "中" is E4 B8 AD and "丸" E4 B8 B8: a marker never matches inside another
    // character, however the bytes line up.
    const std::string text = "丸中name:";
    EXPECT_EQ(Find(text, "中"), 3);
    EXPECT_EQ(Find(text, "name:", 4), 6);
    EXPECT_EQ(Find(text, "\xB8"), 1);  // a lone byte is only a byte
    EXPECT_EQ(Find("abcabc", "abc", 1), 3);
    EXPECT_EQ(Find("abc", "abc", -1), -1);
    EXPECT_EQ(Find("abc", "c", 4), -1);
    EXPECT_EQ(Find("abc", "", 3), 3);
    EXPECT_EQ(Find("", "a", 0), -1);
    EXPECT_EQ(ReverseFindChar("a/b/c", '/'), 3);
}

TEST(Text, CutsClamp) {
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

TEST(Text, TrimLowerReplace) {
    const std::string fullWidthSpace = "\u3000";  // not ASCII: kept
    std::string text = " \t\r\n" + fullWidthSpace + "Ab\v\f ";
    Trim(text);
    EXPECT_EQ(text, fullWidthSpace + "Ab");
    EXPECT_EQ(Trimmed("  中 \n"), "中");

    std::string mixed = "<IMG SRC=\"X\">中文Ä";
    MakeLower(mixed);
    EXPECT_EQ(mixed, "<img src=\"x\">中文Ä");  // only ASCII letters are lowered

    std::string r = "aaaa";
    EXPECT_EQ(Replace(r, "aa", "a"), 2);
    EXPECT_EQ(r, "aa");  // text produced by a replacement is not scanned again
}

TEST(Text, Utf8Walker) {
    const std::string text = "a\xC3\xB1\xE4\xB8\xAD\xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8SequenceLength(text, 0), 1u);
    EXPECT_EQ(Utf8SequenceLength(text, 1), 2u);
    EXPECT_EQ(Utf8SequenceLength(text, 3), 3u);
    EXPECT_EQ(Utf8SequenceLength(text, 6), 4u);
    EXPECT_EQ(Utf8CodePoint(text, 6, 4), 0x1F600u);
    EXPECT_EQ(Utf8SequenceLength(text, 2), 0u);        // a continuation byte
    EXPECT_EQ(Utf8SequenceLength("\xE4\xB8", 0), 0u);  // cut short
    // Overlong "/", a surrogate and beyond U+10FFFF name no character.
    EXPECT_EQ(Utf8SequenceLength("\xE0\x80\xAF", 0), 0u);
    EXPECT_EQ(Utf8SequenceLength("\xED\xA0\x80", 0), 0u);
    EXPECT_EQ(Utf8SequenceLength("\xF4\x90\x80\x80", 0), 0u);
    std::string round;
    for (uint32_t c : {0x41u, 0xF1u, 0x4E2Du, 0x1F600u}) AppendUtf8(round, c);
    EXPECT_EQ(round, "A" + text.substr(1));
    // A cut never splits a character.
    EXPECT_EQ(Utf8Prefix(text, 5), 3u);
    EXPECT_EQ(Utf8Prefix(text, 6), 6u);
    EXPECT_EQ(Utf8Prefix(text, 100), text.size());
}

TEST(Encoding, CharactersOutsideCodePage936BecomeQuestionMarks) {
    // U+1F600 (emoji) and U+0E01 (Thai) have no GBK form; the text after them survives.
    EXPECT_EQ(ToAnsi("<p>中\xF0\x9F\x98\x80 mid \xE0\xB8\x81 end</p>\n"),
              "<p>\xD6\xD0? mid ? end</p>\n");
    EXPECT_EQ(ToAnsi("a\xFF\xE4\xB8\xAD"), "a?\xD6\xD0");  // malformed byte, then a character
    EXPECT_EQ(ToUtf8("\xC8\xAB\xB2\xBF\xB2\xA9\xCE\xC4x"), "全部博文x");
    EXPECT_EQ(ToUtf8("a\xFF"), "a?");
    std::string large(300000, 'a');
    large += "\xE4\xB8\xAD";
    EXPECT_EQ(ToAnsi(large).size(), 300002u);
}

TEST(Encoding, MarkupFormWritesWhatCodePage936LacksAsReferences) {
    // U+1F600 (four bytes), U+0E01 (Thai) and U+00F1 (which GBK lacks too).
    EXPECT_EQ(ToAnsiMarkup("<p>中\xF0\x9F\x98\x80 \xE0\xB8\x81 ma\xC3\xB1"
                           "ana</p>"),
              "<p>\xD6\xD0&#128512; &#3585; ma&#241;ana</p>");
    // Malformed, overlong ("/" in two bytes) and surrogate forms name no character.
    EXPECT_EQ(ToAnsiMarkup("a\xFF b\xE0\x80\xAF c\xED\xA0\x80 d"), "a? b? c? d");
    EXPECT_EQ(ToAnsiMarkup("plain ascii & <b>"), "plain ascii & <b>");
    // UTF-16: a surrogate pair is one character, a lone surrogate none.
    EXPECT_EQ(Utf16ToUtf8(u"\u4E2D\U0001F600x"), "中\xF0\x9F\x98\x80x");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"a") + char16_t(0xD83D) + u"b"), "a?b");
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
    EXPECT_EQ(EscapeHtml("读《瓦尔登湖》&amp;随想"), "读《瓦尔登湖》&amp;随想");
    EXPECT_EQ(EscapeHtml("&lt;script&gt; &#128512; &#x4e2d; &nbsp;"),
              "&lt;script&gt; &#128512; &#x4e2d; &nbsp;");
    // Only whole references count: no ";", no name, no digits, too long.
    EXPECT_EQ(EscapeHtml("AT&T &copy &; &#; &#x; &#123456789; & "),
              "AT&amp;T &amp;copy &amp;; &amp;#; &amp;#x; &amp;#123456789; &amp; ");
    EXPECT_EQ(EscapeHtml("x\"><param name=\"Local\" value=\"/etc/passwd\">"),
              "x&quot;&gt;&lt;param name=&quot;Local&quot; value=&quot;/etc/passwd&quot;&gt;");
    EXPECT_EQ(EscapeHtml("中文标题"), "中文标题");
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
    // Quoted values hold ">" and quotes of the other kind; text beyond ASCII
    // stays as it is.
    const std::string title = "标题\"中文>";
    EXPECT_EQ(WithoutActiveContent("<a title='" + title +
                                   "' onclick=x>"
                                   "正文"
                                   "</a>"),
              "<a title='" + title +
                  "'>"
                  "正文"
                  "</a>");
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

TEST(Text, HtmlEntitiesInTheirOrder) {
    std::string a = "&amp;quot;";
    DecodeHtmlEntities(a);
    EXPECT_EQ(a, "\"");
    std::string b = "&lt;b&gt;&hellip;&#47;&#38;lt;&nbsp;&copy;&reg;&apos;";
    DecodeHtmlEntities(b);
    // "&#38;lt;" becomes "&lt;" only after the "&lt;" pass, so it stays.
    EXPECT_EQ(b, "<b>&hellip;/&lt;   '");
}

TEST(Text, ScriptEscapes) {
    EXPECT_EQ(DecodeScriptEscapes("\\u4e2D"), u"\u4E2D");
    EXPECT_EQ(DecodeScriptEscapes("a\\nb\\t\\\"\\/\\\\"), u"a\nb\t\"/\\");
    EXPECT_EQ(DecodeScriptEscapes("x\\qy"), u"x\\qy");
    EXPECT_EQ(DecodeScriptEscapes("ab\\u12zz"), u"ab");
    EXPECT_EQ(DecodeScriptEscapes("ab\\u12"), u"ab");  // cut short by the end
    EXPECT_EQ(DecodeScriptEscapes("end\\"), u"end\\");
    EXPECT_EQ(Utf16ToUtf8(DecodeScriptEscapes("\\u4e2d\\u6587")), "中文");
}

TEST(UrlEncode, AnsiAndUtf8) {
    EXPECT_EQ(UrlEncodeAnsi("a b&c=d"), "a b&c=d");
    EXPECT_EQ(UrlEncodeAnsi("中"), "%D6%D0");
    EXPECT_EQ(UrlEncodeUtf8(""), "");
    EXPECT_EQ(UrlEncodeUtf8("中 x"), "%E4%B8%AD x");
}

TEST(Text, SplitTokens) {
    std::vector<std::string> tokens{"stale"};
    EXPECT_EQ(SplitTokens("s0,s1,,s2", ",", tokens), 3);
    EXPECT_EQ(tokens, (std::vector<std::string>{"s0", "s1", "s2"}));
    EXPECT_EQ(SplitTokens(",;a;", ",;", tokens), 1);
    EXPECT_EQ(SplitTokens("", ",", tokens), 0);
}

TEST(Text, FormatTimeInLocalTime) {
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

TEST(Text, RandomFraction) {
    const std::string r = RandomFraction(16);
    ASSERT_EQ(r.size(), 18u);
    EXPECT_EQ(r.substr(0, 2), "0.");
    EXPECT_EQ(r.find_first_not_of("0123456789", 2), std::string::npos);
    EXPECT_NE(RandomFraction(16), RandomFraction(16));
}
