#include "UpdateTestSupport.h"
#include "platform/Md5.h"
#include "update/Json.h"
#include "update/UnitDownloadFileItem.h"

namespace {

std::string Entry(const std::string& fileName, const std::string& clientDir,
                  const std::string& fileVer, const std::string& type = "file",
                  const std::string& md5 = "") {
    std::string e = "{\"fileName\":\"" + fileName + "\",\"clientDir\":\"" + clientDir +
                    "\",\"fileVer\":" + fileVer + ",\"fileType\":\"" + type +
                    "\",\"fileSize\":1025,\"fileUrl\":\"http://h/f\",";
    if (!md5.empty()) e += "\"md5\":\"" + md5 + "\",";
    return e + "\"remark\":\"r\"}";
}

class DownloadItem : public InstallationTest {
protected:
    std::unique_ptr<TDownloadFileItem> Build(const std::string& json) {
        auto item = std::make_unique<TDownloadFileItem>();
        item->BuildFromJson(JsonValue::Parse(json));
        return item;
    }
};

TEST_F(DownloadItem, PathsOfThePlainFile) {
    auto item = Build(Entry("report.dll", "  plugins ", "\"3\""));
    EXPECT_EQ(item->FileID, "0");
    EXPECT_EQ(item->Location(), "plugins\\");
    EXPECT_EQ(item->FilePath, "plugins\\report.dll");
    EXPECT_EQ(item->FileFullName, root.Path() + "plugins\\report.dll");
    EXPECT_EQ(item->FileTempName, root.Path() + "~FileCache.TMP");
    EXPECT_EQ(item->FileVer(), 3);
    EXPECT_EQ(item->FileLen(), 1025);
    EXPECT_EQ(item->DisplayFileName(), "report.dll");

    auto top = Build(Entry("Varnoke.exe", "", "7"));
    EXPECT_EQ(top->Location(), "");
    EXPECT_EQ(top->FilePath, "Varnoke.exe");
}

TEST_F(DownloadItem, PathsOfThePackage) {
    auto zip = Build(Entry("skins.zip", "skins", "1", "zip"));
    EXPECT_EQ(zip->FilePath, root.Path() + "skins\\");
    EXPECT_EQ(zip->FileFullName, root.Path() + "skins\\skins.zip");
    EXPECT_EQ(zip->DisplayFileName(), "软件Zip升级包");
    // Only exactly "zip" marks a package.
    auto upper = Build(Entry("skins.zip", "skins", "1", "ZIP"));
    EXPECT_EQ(upper->FilePath, "skins\\skins.zip");
    EXPECT_EQ(upper->DisplayFileName(), "skins.zip");
}

TEST_F(DownloadItem, PathsOfTheUpdaterItself) {
    Put("Updater", "running updater");
    auto item = Build(Entry("UpDater.EXE", "bin", "2"));
    EXPECT_TRUE(item->IsLauncher());
    EXPECT_EQ(item->FilePath, "bin\\Updater");
    EXPECT_EQ(item->FileFullName, root.Path() + "Updater");
    EXPECT_EQ(item->FileTempName, root.Path() + "_updater.tmp");
    EXPECT_EQ(item->Action(), ACTION_REPLACE); // compared with the running updater
}

TEST_F(DownloadItem, EveryBuiltItemLeavesItsSection) {
    Build(Entry("a.dll", "", "1"));
    AppConfig->SetSetion("b.dll");
    AppConfig->WriteString("MD5", "x"); // a section without "Ver" exists already
    Build(Entry("b.dll", "", "1"));
    EXPECT_EQ(VersionIni(), "[a.dll]\r\nVer=0\r\n\r\n[b.dll]\r\nMD5=x\r\n\r\n");
}

TEST_F(DownloadItem, MissingLocalFileIsNewWhateverTheRecordSays) {
    AppConfig->SetSetion("a.dll");
    AppConfig->WriteInt32("Ver", 9);
    auto item = Build(Entry("a.dll", "", "1"));
    EXPECT_EQ(item->Action(), ACTION_NEW);
    EXPECT_TRUE(item->NeedDownload);
    EXPECT_EQ(item->LocalVer(), 0);
    EXPECT_EQ(item->LocalMd5, "");
}

struct CompareCase {
    const char* name;
    int localVer; // recorded; 0: no record
    int serverVer;
    bool sameMd5;              // server md5 equals the local digest
    const char* serverMd5Form; // "lower", "upper" or "none"
    const char* action;
    // The recorded version afterwards: a file that already is the listed
    // content gets the listed version recorded.
    int recordedAfter;
};

void PrintTo(const CompareCase& c, std::ostream* os) {
    *os << c.name;
}

class CompareWithLocal : public DownloadItem, public ::testing::WithParamInterface<CompareCase> {};

TEST_P(CompareWithLocal, DecidesTheAction) {
    const CompareCase& c = GetParam();
    Put("lib\\x.dll", "local content");
    std::string local = platform::Md5Hex("local content");
    std::string md5 = c.sameMd5 ? local : platform::Md5Hex("other content");
    if (std::string(c.serverMd5Form) == "upper") {
        for (char& ch : md5)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    } else if (std::string(c.serverMd5Form) == "none") {
        md5.clear();
    }
    if (c.localVer) {
        AppConfig->SetSetion("lib\\x.dll");
        AppConfig->WriteInt32("Ver", c.localVer);
    }

    auto item = Build(Entry("x.dll", "lib", std::to_string(c.serverVer), "file", md5));
    EXPECT_EQ(item->Action(), c.action);
    EXPECT_EQ(item->NeedDownload, std::string(c.action) != ACTION_IGNORE);
    EXPECT_EQ(item->LocalMd5, local); // taken whenever the file exists
    EXPECT_EQ(item->LocalVer(), c.recordedAfter);
    EXPECT_EQ(AppConfig->ReadInt32("lib\\x.dll", "Ver", -1), c.recordedAfter);
    if (c.recordedAfter != c.localVer) {
        EXPECT_EQ(AppConfig->ReadString("lib\\x.dll", "MD5", ""), local);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompareWithLocal,
    ::testing::Values(
        CompareCase{"newer_same_md5", 3, 5, true, "lower", ACTION_IGNORE, 5},
        CompareCase{"newer_other_md5", 3, 5, false, "lower", ACTION_REPLACE, 3},
        CompareCase{"older_other_md5_no_downgrade", 5, 3, false, "lower", ACTION_IGNORE, 5},
        CompareCase{"equal_other_md5", 4, 4, false, "lower", ACTION_IGNORE, 4},
        CompareCase{"no_record_other_md5", 0, 2, false, "lower", ACTION_REPLACE, 0},
        CompareCase{"no_record_same_md5", 0, 2, true, "lower", ACTION_IGNORE, 2},
        CompareCase{"server_ver_zero_other_md5", 7, 0, false, "lower", ACTION_REPLACE, 7},
        CompareCase{"server_md5_in_capitals", 3, 5, true, "upper", ACTION_REPLACE, 3},
        CompareCase{"server_md5_absent", 3, 5, true, "none", ACTION_REPLACE, 3},
        CompareCase{"no_record_md5_absent", 0, 1, true, "none", ACTION_REPLACE, 0},
        CompareCase{"older_same_md5", 5, 3, true, "lower", ACTION_IGNORE, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadItem, UnreadableLocalFileFailsTheBuild) {
    testsupport::MakeDirs(root / "dir.dll"); // exists, cannot be read as a file
    // A folder does not count as a local file at all.
    EXPECT_EQ(Build(Entry("dir.dll", "", "1"))->Action(), ACTION_NEW);
    // A file that exists but fails every read, whoever runs the test.
    testsupport::UnreadableFile locked(root / "locked.dll");
    try {
        Build(Entry("locked.dll", "", "1"));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("locked.dll"), std::string::npos);
    }
}

TEST(DownloadItemTexts, FileSizeText) {
    TDownloadFileItem item;
    for (auto [len, text] : std::vector<std::pair<int, std::string>>{
             {0, "0 KB"}, {1, "1 KB"}, {1024, "1 KB"}, {1025, "2 KB"}, {1048576, "1024 KB"}}) {
        item.SetFileLen(len);
        EXPECT_EQ(item.GetFileSizeText(), text) << len;
    }
}

TEST(DownloadItemTexts, DownloadStatus) {
    TDownloadFileItem item;
    item.SetAction(ACTION_NEW);
    item.Progress = 37;
    EXPECT_EQ(item.GetDownloadStatus(), "37%");
    item.SetAction(ACTION_IGNORE);
    EXPECT_EQ(item.GetDownloadStatus(), "");
}

TEST(DownloadItemProperties, ReadableByNameInAnyLetterCase) {
    TDownloadFileItem item;
    item.SetFileName("a.dll");
    item.SetFileLen(2048);
    item.SetAction(ACTION_REPLACE);
    item.Progress = 5;
    const auto* name = rtti::FindProperty(item, "filename");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->kind, rtti::TypeKind::String);
    EXPECT_EQ(name->get(item).text, "a.dll");
    EXPECT_EQ(rtti::FindProperty(item, "FileSizeText")->get(item).text, "2 KB");
    EXPECT_EQ(rtti::FindProperty(item, "DOWNLOADSTATUS")->get(item).text, "5%");
    const auto* len = rtti::FindProperty(item, "FileLen");
    EXPECT_EQ(len->kind, rtti::TypeKind::Integer);
    EXPECT_EQ(len->get(item).ordinal, 2048);
    EXPECT_EQ(rtti::FindProperty(item, "FileUrl"), nullptr); // not published
}

TEST_F(DownloadItem, BuildFromNameValueLines) {
    TDownloadFileItem item;
    item.Build({"ID=12", "Name=%E4%B8%AD+1%%.dll", "Location= my+dir ", "Version=4", "Type=file",
                "Len=10", "Remark=a%20b"});
    EXPECT_EQ(item.FileID, "12");
    EXPECT_EQ(item.FileName(), "中 1%.dll");
    EXPECT_EQ(item.Location(), "my dir\\");
    EXPECT_EQ(item.FileVer(), 4);
    EXPECT_EQ(item.FileLen(), 10);
    EXPECT_EQ(item.Remark(), "a b");
    EXPECT_EQ(item.FileFullName, "");
    EXPECT_EQ(item.Action(), ACTION_NEW);
}

TEST_F(DownloadItem, UpdateLocalFileVersionRecordsVerAndDigest) {
    auto item = Build(Entry("a.dll", "x", "6"));
    item->LocalMd5 = platform::Md5Hex("new");
    item->UpdateLocalFileVersion();
    AppConfig->SetSetion("X\\A.DLL");
    EXPECT_EQ(AppConfig->ReadInt32("Ver", 0), 6);
    EXPECT_EQ(AppConfig->ReadString("MD5", ""), platform::Md5Hex("new"));
}

// A listed name with a blank at its end: the version recorded for it is
// found by the next run, which reads version.ini back from the file, so the
// installed file is not offered again and again.
TEST_F(DownloadItem, TheNextRunFindsTheVersionRecordedUnderANameWithATrailingBlank) {
    Put("a.dll ", "installed");
    auto item = Build(Entry("a.dll ", "", "6"));
    item->LocalMd5 = platform::Md5Hex("new");
    item->UpdateLocalFileVersion();
    AppConfig->SaveToFile();

    AppConfig->LoadFromFile(root / "version.ini");
    auto next = Build(Entry("a.dll ", "", "6"));
    EXPECT_EQ(next->LocalVer(), 6);
    EXPECT_EQ(next->Action(), ACTION_IGNORE);
    EXPECT_EQ(VersionIni(), "[a.dll]\r\nVer=6\r\nMD5=" + platform::Md5Hex("new") + "\r\n\r\n");
}

} // namespace
