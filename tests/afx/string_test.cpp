#include "afx/afxstr.h"

#include <gtest/gtest.h>

namespace {

// Format must follow the Windows C runtime: %s in a wide format is wide.
TEST(CStringFormat, FollowsWindowsPrintfRules)
{
    struct Case { const wchar_t* expected; CString actual; };
    auto fmt = [](LPCWSTR format, auto... args) {
        CString s;
        s.Format(format, args...);
        return s;
    };
    const Case cases[] = {
        {L"path C:\\Vellomar\\", fmt(L"path %s", L"C:\\Vellomar\\")},
        {L"[中文]", fmt(L"[%s]", L"中文")},
        {L"narrow abc", fmt(L"narrow %hs", "abc")},
        {L"x=Z", fmt(L"x=%c", L'Z')},
        {L"-42 4294967295", fmt(L"%d %u", -42, 0xFFFFFFFFu)},
        {L"25.5MB", fmt(L"%.1fMB", 25.53)},
        {L"0A-FF", fmt(L"%02X-%02X", 0x0A, 0xFF)},
        {L"100%", fmt(L"%d%%", 100)},
        {L"", fmt(L"")},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.expected, c.actual) << "expected \"" << CStringA(c.expected).GetString() << "\"";
}

// MFC code passes CString objects straight to %s; they must arrive as text.
TEST(CStringFormat, StringObjectsAsArguments)
{
    const CString dir(L"C:\\安装\\");
    CString s;
    s.Format(L"%s%s|%hs", dir, CString(L"Vellomar.exe"), CStringA("ok"));
    EXPECT_STREQ(L"C:\\安装\\Vellomar.exe|ok", s);
    s.AppendFormat(L"+%s", dir.Left(2));
    EXPECT_STREQ(L"C:\\安装\\Vellomar.exe|ok+C:", s);
}

TEST(CStringFormat, LongOutputAndAppend)
{
    CString big(L'x', 5000);
    CString s;
    s.Format(L"<%s>", static_cast<LPCWSTR>(big));
    EXPECT_EQ(5002, s.GetLength());
    EXPECT_EQ(L'>', s[5001]);

    CString t(L"a");
    t.AppendFormat(L"%d-%s", 7, L"b");
    EXPECT_STREQ(L"a7-b", t);
}

// The test prefix runs with code page 936: Chinese survives both directions.
TEST(CStringConversion, AnsiCodePageRoundTrip)
{
    ASSERT_EQ(936u, GetACP()) << "the test prefix is meant to run with code page 936";
    const char gbk[] = "\xB0\xB2\xD7\xB0";   // "安装" in GBK
    CString wide(gbk);
    EXPECT_STREQ(L"安装", wide);
    EXPECT_EQ(2, wide.GetLength());

    CStringA back(wide);
    EXPECT_STREQ(gbk, back);
    EXPECT_EQ(4, back.GetLength());

    EXPECT_EQ(std::string("abc\xB0\xB2"), AfxWideToAnsi(L"abc安"));
    EXPECT_EQ(std::wstring(L"abc安"), AfxAnsiToWide("abc\xB0\xB2"));
    EXPECT_STREQ(L"ab", CString("abc", 2));
    EXPECT_STREQ(L"", CString(static_cast<LPCSTR>(nullptr)));
    EXPECT_STREQ(L"", CString(static_cast<LPCWSTR>(nullptr)));
}

TEST(CStringSearch, FindAndExtract)
{
    const CString path(L"C:\\Program Files\\Vellomar\\Vellomar.exe");
    EXPECT_EQ(2, path.Find(L'\\'));
    EXPECT_EQ(16, path.Find(L'\\', 3));
    EXPECT_EQ(17, path.Find(L"Vellomar"));
    EXPECT_EQ(26, path.Find(L"Vellomar", 18));
    EXPECT_EQ(-1, path.Find(L"nope"));
    EXPECT_EQ(-1, path.Find(L'C', 100));
    EXPECT_EQ(25, path.ReverseFind(L'\\'));
    EXPECT_EQ(-1, path.ReverseFind(L'|'));
    EXPECT_EQ(1, path.FindOneOf(L":\\"));

    EXPECT_STREQ(L"C:", path.Left(2));
    EXPECT_STREQ(L"Vellomar.exe", path.Mid(path.ReverseFind(L'\\') + 1));
    EXPECT_STREQ(L".exe", path.Right(4));
    EXPECT_STREQ(L"Prog", path.Mid(3, 4));
    // Out-of-range counts are clamped, never read past the end.
    EXPECT_STREQ(path, path.Left(1000));
    EXPECT_STREQ(L"", path.Left(-1));
    EXPECT_STREQ(path, path.Right(1000));
    EXPECT_STREQ(L"", path.Mid(1000));
    EXPECT_STREQ(L"exe", path.Mid(path.GetLength() - 3, 50));
    EXPECT_EQ(L'\0', path.GetAt(1000));
}

TEST(CStringCompare, CaseAndOrder)
{
    const CString s(L"Vellomar.EXE");
    EXPECT_EQ(0, s.CompareNoCase(L"vellomar.exe"));
    EXPECT_NE(0, s.Compare(L"vellomar.exe"));
    EXPECT_LT(CString(L"a").Compare(L"b"), 0);
    EXPECT_TRUE(s == L"Vellomar.EXE");
    EXPECT_TRUE(L"Vellomar.EXE" == s);
    EXPECT_TRUE(s != CString(L"x"));
    EXPECT_TRUE(CString(L"a") < CString(L"b"));
    EXPECT_FALSE(CString(L"b") < CString(L"a"));
}

TEST(CStringEdit, ChangeInPlace)
{
    CString s(L"  \tMixed Case\r\n");
    s.Trim();
    EXPECT_STREQ(L"Mixed Case", s);
    EXPECT_STREQ(L"mixed case", CString(s).MakeLower());
    EXPECT_STREQ(L"MIXED CASE", CString(s).MakeUpper());
    EXPECT_STREQ(L"abc", CString(L"xxabcxx").Trim(L'x'));
    EXPECT_STREQ(L"abcxx", CString(L"xxabcxx").TrimLeft(L'x'));
    EXPECT_STREQ(L"xxabc", CString(L"xxabcxx").TrimRight(L"x"));
    EXPECT_STREQ(L"", CString(L"   ").Trim());

    CString r(L"a\\b\\\\c");
    EXPECT_EQ(1, r.Replace(L"\\\\", L"/"));
    EXPECT_EQ(1, r.Replace(L'\\', L'|'));
    EXPECT_STREQ(L"a|b/c", r);
    CString grow(L"aaa");
    EXPECT_EQ(3, grow.Replace(L"a", L"aa"));   // replacements are not rescanned
    EXPECT_STREQ(L"aaaaaa", grow);
    EXPECT_EQ(0, grow.Replace(L"", L"x"));

    CString e(L"hello");
    e.SetAt(0, L'J');
    e.SetAt(99, L'!');   // ignored
    EXPECT_STREQ(L"Jello", e);
    EXPECT_EQ(6, e.Insert(5, L'!'));
    EXPECT_EQ(4, e.Delete(0, 2));
    EXPECT_STREQ(L"llo!", e);
    EXPECT_EQ(2, e.Remove(L'l'));
    e.Empty();
    EXPECT_TRUE(e.IsEmpty());
}

TEST(CStringBuffer, ApiWritesThenRelease)
{
    CString s(L"old");
    LPWSTR p = s.GetBuffer(MAX_PATH);
    ASSERT_GT(GetWindowsDirectoryW(p, MAX_PATH), 0u);
    s.ReleaseBuffer();
    EXPECT_EQ(static_cast<int>(wcslen(s)), s.GetLength());
    EXPECT_EQ(L':', s[1]);

    wcscpy(s.GetBuffer(10), L"abcdef");
    s.ReleaseBuffer(3);
    EXPECT_STREQ(L"abc", s);

    LPWSTR q = s.GetBufferSetLength(5);
    q[3] = L'd';
    q[4] = L'e';
    s.ReleaseBuffer(5);
    EXPECT_STREQ(L"abcde", s);
    EXPECT_EQ(5, s.GetLength());
}

TEST(CStringConcat, AllMixes)
{
    CString dir(L"C:\\Vellomar");
    dir += L'\\';
    CString exe = dir + L"Vellomar.exe";
    EXPECT_STREQ(L"C:\\Vellomar\\Vellomar.exe", exe);
    EXPECT_STREQ(L">C:\\Vellomar\\", L">" + dir);
    EXPECT_STREQ(L"C:\\Vellomar\\!", dir + L'!');
    EXPECT_STREQ(L"C:\\Vellomar\\C:\\Vellomar\\", dir + dir);
    CString self(L"ab");
    self += static_cast<LPCWSTR>(self);   // appending itself must copy first
    EXPECT_STREQ(L"abab", self);
    self += "c";
    EXPECT_STREQ(L"ababc", self);
}

}  // namespace
