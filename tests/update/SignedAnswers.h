#pragma once
// Written by keys/make-signed-answers.py: list answers signed by the openssl
// tool with keys/list-test.pem.
#include <string>

inline const std::string kListTestPublicKey = R"PEM(-----BEGIN PUBLIC KEY-----
MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE8JErIyILhiIj2EfXeBS5hbmUwfKs
mc2CoRqUKovpQTeE8Ll1Ufo6/YcdburbdUA0WGhywx9r30GiuviTsxqkaA==
-----END PUBLIC KEY-----
)PEM";
inline const std::string kOtherPublicKey = R"PEM(-----BEGIN PUBLIC KEY-----
MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEbJiTTA9C9RV840JyqXz/Xw7FtbIv
EaqIIdfTqNU31/Gpy0kURC9b/58E2tWmK5emdYTU5Rxl4RTxlvfWrwyyXQ==
-----END PUBLIC KEY-----
)PEM";
inline const std::string kSignedSerial5 =
    R"JSON({"errcode":0,"errmsg":"","serial":5,"expires":4102444800,"data":{"updateLog":"log","appName":"Varnoke","fileList":[{"fileName":"a.dll","clientDir":"","fileVer":"2","fileType":"file","fileSize":10,"fileUrl":"http://x/a.dll","md5":"","remark":"","sha256":"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}]}})JSON";
inline const std::string kSignedSerial5Signature =
    "MEUCIDdhASJ+88fgBUuYfaS/BjZqd1CPOL/E5cWb6F3v9pCKAiEAg0LDE+CNlAbL//7tpu7g/"
    "vxcHkkLWYhP0wk2f1GSD5c=";
inline const std::string kSignedExpired =
    R"JSON({"errcode":0,"errmsg":"","serial":9,"expires":1000000000,"data":{"updateLog":"log","appName":"Varnoke","fileList":[{"fileName":"a.dll","clientDir":"","fileVer":"2","fileType":"file","fileSize":10,"fileUrl":"http://x/a.dll","md5":"","remark":"","sha256":"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}]}})JSON";
inline const std::string kSignedExpiredSignature =
    "MEYCIQCAwM0xHpO7aTT7a1d10LFz+ZKBzNHZg7VnMvB6hhBbxQIhAPRIXCsjYqBNzwr++R+"
    "fkMuPBs5jzJk7p80zYzyvHU+b";
inline const std::string kSignedWithoutSerial =
    R"JSON({"errcode":0,"errmsg":"","expires":4102444800,"data":{"updateLog":"log","appName":"Varnoke","fileList":[{"fileName":"a.dll","clientDir":"","fileVer":"2","fileType":"file","fileSize":10,"fileUrl":"http://x/a.dll","md5":"","remark":"","sha256":"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}]}})JSON";
inline const std::string kSignedWithoutSerialSignature =
    "MEUCIQCs79BXbXkXKw1Hd47b8FhdybXIVdXSL9Gl6TZ0QL8bXwIgNZQedNfvJLQLlzElP7fD9hVt3UB2sy207oPdz2qwnL"
    "o=";
inline const std::string kSignedEntryWithoutSha256 =
    R"JSON({"errcode":0,"errmsg":"","serial":5,"expires":4102444800,"data":{"updateLog":"log","appName":"Varnoke","fileList":[{"fileName":"a.dll","clientDir":"","fileVer":"2","fileType":"file","fileSize":10,"fileUrl":"http://x/a.dll","md5":"","remark":"","sha256":"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},{"fileName":"b.dll","clientDir":"","fileVer":"2","fileType":"file","fileSize":10,"fileUrl":"http://x/b.dll","md5":"","remark":""}]}})JSON";
inline const std::string kSignedEntryWithoutSha256Signature =
    "MEQCIE5lCU/+Vu7UJqiYHh/Nv4RFC8xKVYVPwSxy3hUycwgXAiAc45agmCqmIt1vF1T/"
    "6yCtHdECWq6PH5RWCAWkNMnb0w==";
inline const std::string kSignedSerial5ByOtherKey =
    "MEQCIAy+2zLHxeJiS2YrVr2l8m6Re1SpQpsncKQdvsa7gqBEAiB8fGh0ioHiTD+ZU/"
    "sCBPJFSASKMgCn4V1ewQTaujpjPg==";
