#pragma once
// The nginx locations that serve a published release: the list request (a
// POST) answered with the list and its signature, the files as they are.
#include <string>

// `published` is the absolute output folder; `signature` the list's header
// value, or empty for an unsigned release.
std::string NginxLocations(const std::string& published, const std::string& signature);
