#!/usr/bin/env python3
"""Writes ../SignedAnswers.h: list answers signed with the test keys here by
the openssl tool, so that both builds' tests check signatures made by
another implementation than the one verifying them. Run it again after
changing an answer below."""
import base64, os, subprocess, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SHA = "a" * 64  # the entries are never downloaded in these tests

def entry(name, sha=True):
    e = ('{"fileName":"%s","clientDir":"","fileVer":"2","fileType":"file","fileSize":10,'
         '"fileUrl":"http://x/%s","md5":"","remark":""' % (name, name))
    if sha:
        e += ',"sha256":"%s"' % SHA
    return e + "}"

def answer(members, entries):
    return ('{"errcode":0,"errmsg":"",%s"data":{"updateLog":"log","appName":"Varnoke",'
            '"fileList":[%s]}}' % (members, ",".join(entries)))

ANSWERS = {
    # Far in the future: 2100-01-01.
    "kSignedSerial5": answer('"serial":5,"expires":4102444800,', [entry("a.dll")]),
    "kSignedExpired": answer('"serial":9,"expires":1000000000,', [entry("a.dll")]),
    "kSignedWithoutSerial": answer('"expires":4102444800,', [entry("a.dll")]),
    "kSignedEntryWithoutSha256": answer('"serial":5,"expires":4102444800,',
                                        [entry("a.dll"), entry("b.dll", sha=False)]),
}

def sign(key, text):
    with tempfile.NamedTemporaryFile(delete=False) as f:
        f.write(text.encode())
        name = f.name
    try:
        der = subprocess.check_output(["openssl", "dgst", "-sha256", "-sign",
                                       os.path.join(HERE, key), name])
    finally:
        os.unlink(name)
    return base64.b64encode(der).decode()

def literal(s):
    return "R\"JSON(" + s + ")JSON\""

out = ["#pragma once",
       "// Written by keys/make-signed-answers.py: list answers signed by the openssl",
       "// tool with keys/list-test.pem.",
       "#include <string>", ""]
for name in ("list-test.pub", "other.pub"):
    var = "kListTestPublicKey" if name == "list-test.pub" else "kOtherPublicKey"
    pem = open(os.path.join(HERE, name)).read()
    out.append("inline const std::string %s = R\"PEM(%s)PEM\";" % (var, pem))
for var, text in ANSWERS.items():
    out.append("inline const std::string %s = %s;" % (var, literal(text)))
    out.append("inline const std::string %sSignature = \"%s\";" % (var, sign("list-test.pem", text)))
out.append("inline const std::string kSignedSerial5ByOtherKey = \"%s\";"
           % sign("other.pem", ANSWERS["kSignedSerial5"]))
open(os.path.join(HERE, "..", "SignedAnswers.h"), "w").write("\n".join(out) + "\n")
