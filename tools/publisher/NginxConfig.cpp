#include "NginxConfig.h"

std::string NginxLocations(const std::string& published, const std::string& signature) {
    std::string folder = published;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    std::string out =
        "# The locations of a published release, written by publisher: include this file\n"
        "# in the server blocks that answer the updater (its list address, and the\n"
        "# base URL the files were published at).\n"
        "\n"
        "# The list is asked for with a POST, which nginx does not answer with a file;\n"
        "# the request goes on to the list's own location as a GET.\n"
        "location = /Service/UserService.ashx {\n"
        "    error_page 405 =200 /.updater-list;\n"
        "    return 405;\n"
        "}\n"
        "location = /.updater-list {\n"
        "    internal;\n"
        "    alias " +
        folder +
        "filelist.json;\n"
        "    types { }\n"
        "    default_type \"application/json; charset=utf-8\";\n"
        "    gzip off;\n"
        "    # The list changes with every release and must be its exact bytes.\n"
        "    add_header Cache-Control \"no-store\" always;\n";
    if (!signature.empty())
        out += "    add_header X-Update-Signature \"" + signature + "\" always;\n";
    out += "}\n"
           "\n"
           "# The files keep their names from release to release, so caches check back\n"
           "# (ETag, Last-Modified); sent whole and uncompressed, at their exact lengths.\n"
           "location /files/ {\n"
           "    alias " +
           folder +
           "files/;\n"
           "    types { }\n"
           "    default_type application/octet-stream;\n"
           "    gzip off;\n"
           "    etag on;\n"
           "    add_header Cache-Control \"no-cache\" always;\n"
           "    limit_except GET { deny all; }\n"
           "}\n";
    return out;
}
