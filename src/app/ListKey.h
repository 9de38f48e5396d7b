#pragma once
// The public key built into the program (PEM), or an empty text.
const char* BuiltInListPublicKey();

// Makes the built-in key the one the update list must be signed with. A key
// that cannot be read lets no list through rather than every list.
void InstallBuiltInListKey();
