// Measuring a property list's nesting before the library parses it: both formats, shared
// objects, cycles and damaged tables, and the XML constructs that nest nothing.
#include "platform/plist_test_files.h"
#include "platform/posix/plist_nesting.h"

#include <gtest/gtest.h>
#include <string>

namespace halix::test {
namespace {

TEST(PlistNesting, IsMeasuredInBothFormatsAgainstTheLimit) {
    const std::string cyclic = [] {
        std::string bytes = nestedBinaryPlist(3);
        bytes[22] = 0; // object 2 holds object 0 instead of 3
        return bytes;
    }();
    const struct {
        const char* what;
        std::string bytes;
        bool within;
    } kCases[] = {
        {"binary, 64 levels", nestedBinaryPlist(63), true},
        {"binary, 65 levels", nestedBinaryPlist(64), false},
        {"binary, 100,001 levels", nestedBinaryPlist(100000), false},
        {"XML, 64 levels", nestedXmlPlist(63), true},
        {"XML, 65 levels", nestedXmlPlist(64), false},
        {"binary cycle", cyclic, false},
        {"binary, tables cut off", nestedBinaryPlist(3).substr(0, 30), false},
        {"binary, 40 levels of shared objects", nestedBinaryPlist(39, 2), true},
        {"XML, empty elements side by side",
         "<plist>" + std::string(5000, ' ') +
             [] {
                 std::string many;
                 for (int i = 0; i < 100; ++i) {
                     many += "<array/><true />";
                 }
                 return many;
             }() +
             "</plist>",
         true},
        {"XML, markup inside comments, character data and the document type",
         "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"<array>\">]>"
         "<!--" +
             std::string(200, '<') +
             "--><plist><string><![CDATA[<array><array>]]>"
             "</string></plist>",
         true},
        {"XML, a tag never closed", "<plist><array", false},
        {"XML, a comment never closed", "<plist><!-- <array>", false},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(plistNestingWithin(c.bytes, 64), c.within) << c.what;
    }
}

} // namespace
} // namespace halix::test
