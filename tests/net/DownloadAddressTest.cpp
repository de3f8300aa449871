// A download's source address: how it is taken apart and shown, and where
// credentials given for it may follow a redirect.

#include <gtest/gtest.h>

#include "net/DownloadAddress.h"

namespace pw {
namespace {

TEST(DownloadAddress, SchemeIsAddedWhenMissing) {
    DownloadAddress address;
    ASSERT_TRUE(ParseDownloadAddress("dl.example.com/files/P.exe?v=2", address));
    EXPECT_EQ(address.url, "http://dl.example.com/files/P.exe?v=2");
    EXPECT_EQ(address.server, "dl.example.com");
    EXPECT_EQ(address.object, "/files/P.exe?v=2");
    EXPECT_EQ(address.port, 80);

    ASSERT_TRUE(ParseDownloadAddress("https://dl.example.com:8443/P.exe", address));
    EXPECT_EQ(address.scheme, "https");
    EXPECT_EQ(address.port, 8443);
}

TEST(DownloadAddress, OnlyWebAddressesParse) {
    DownloadAddress address;
    EXPECT_FALSE(ParseDownloadAddress("", address));
    EXPECT_FALSE(ParseDownloadAddress("file:///etc/passwd", address));
    EXPECT_FALSE(ParseDownloadAddress("smb://host/share/P.exe", address));
    EXPECT_FALSE(ParseDownloadAddress("http://", address));
    EXPECT_FALSE(ParseDownloadAddress("http://bad host/x", address));
}

TEST(DownloadAddress, DisplayNameIsTheLastPathPart) {
    EXPECT_EQ(DownloadDisplayName("/files/P.exe"), "P.exe");
    EXPECT_EQ(DownloadDisplayName("dir\\P.exe"), "P.exe");
    EXPECT_EQ(DownloadDisplayName("a/b\\c"), "b\\c");
    EXPECT_EQ(DownloadDisplayName("P.exe"), "P.exe");
    EXPECT_EQ(DownloadDisplayName("/"), "/");
    EXPECT_EQ(DownloadDisplayName("/dir/"), "");
}

TEST(DownloadAddress, CredentialsFollowOnlyToTheSameServerAndNeverDownToHttp) {
    EXPECT_TRUE(CredentialsMayFollow("http://dl.example.com/a", "http://dl.example.com/b"));
    EXPECT_TRUE(CredentialsMayFollow("https://dl.example.com/a", "https://DL.example.com/b"));
    // The same server over plain http would read them off the wire.
    EXPECT_FALSE(CredentialsMayFollow("https://dl.example.com/a", "http://dl.example.com/a"));
    EXPECT_FALSE(
        CredentialsMayFollow("https://dl.example.com:443/a", "http://dl.example.com:443/a"));
    EXPECT_FALSE(CredentialsMayFollow("http://dl.example.com/a", "http://mirror.example.com/a"));
    EXPECT_FALSE(CredentialsMayFollow("http://dl.example.com/a", "http://dl.example.com:8080/a"));
    EXPECT_FALSE(CredentialsMayFollow("http://dl.example.com/a", "file:///etc/passwd"));
}

}  // namespace
}  // namespace pw
