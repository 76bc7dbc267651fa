// framework/FormReader.h
// Applies a parsed form description to components, and writes components back out.
// Portable: it sees components only through their class information.
#pragma once

#include <string>
#include <string_view>

#include "Classes.h"
#include "FormText.h"

class TFormReader {
public:
    // Reads a description into an existing root whose class is the described class or a
    // descendant of it. On any error every component the read created is destroyed again,
    // the root's loading state is cleared, and the error (EReadError or a descendant,
    // naming the line and property) propagates; the caller frees the root if it made it.
    static void ReadRoot(TComponent& root, std::string_view text);
    static void ReadRoot(TComponent& root, const TFormObject& tree);

    // Creates the root by the registered class name, then reads into it. Nothing is left
    // alive when reading fails.
    static TComponent* CreateRoot(std::string_view text, TComponent* owner);
};

class TFormWriter {
public:
    // Stores a root and the components nested under it; a property is stored only where
    // its value differs from its default.
    static TFormObject WriteTree(const TComponent& root);
    static std::string Write(const TComponent& root);
};
