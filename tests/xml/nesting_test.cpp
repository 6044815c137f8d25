#include <gtest/gtest.h>

#include <string>

#ifdef __linux__
#include <pthread.h>
#endif

#include "xml/xml_document.hpp"

namespace kelmar::xml {
namespace {

std::string nested(int levels) {
    std::string bytes;
    for (int i = 0; i < levels; ++i) {
        bytes += "<e>";
    }
    bytes += "x";
    for (int i = 0; i < levels; ++i) {
        bytes += "</e>";
    }
    return bytes;
}

TEST(Nesting, TheDeepestAcceptedNestingLoadsAndWritesBack) {
    XmlDocument document;
    const std::string bytes = nested(kMaxNestingDepth);
    document.loadFromMemory(bytes);
    const XmlNode* node = document.rootElement();
    int levels = 1;
    while (node->childCount() > 0) {
        node = node->child(0);
        ++levels;
    }
    EXPECT_EQ(levels, kMaxNestingDepth);
    EXPECT_EQ(node->treeDepth(), kMaxNestingDepth - 1);
    EXPECT_EQ(node->valueText(), "x");
    EXPECT_EQ(document.rootElement()->writeToText(), bytes);
}

TEST(Nesting, OneLevelMoreIsRefused) {
    XmlDocument document;
    try {
        document.loadFromMemory(nested(kMaxNestingDepth + 1));
        FAIL() << "too deep a document was loaded";
    } catch (const EFilerError& error) {
        EXPECT_EQ(std::string(error.what()), "Elements nested more than " +
                                                 std::to_string(kMaxNestingDepth) +
                                                 " levels deep in element e");
    }
}

TEST(Nesting, AMillionStartTagsGiveAnErrorNotACrash) {
    std::string bytes;
    bytes.reserve(3'000'000);
    for (int i = 0; i < 1'000'000; ++i) {
        bytes += "<a>";
    }
    XmlDocument document;
    EXPECT_THROW(document.loadFromMemory(bytes), EFilerError);
}

TEST(Nesting, DocTypeSubsetsCountAsNesting) {
    std::string bytes;
    for (int i = 0; i < kMaxNestingDepth + 5; ++i) {
        bytes += "<!DOCTYPE d [";
    }
    XmlDocument document;
    EXPECT_THROW(document.loadFromMemory(bytes), EFilerError);
}

#ifdef __linux__
// Runs the work on a thread with a small stack: writing or releasing a tree by recursion
// would overflow it long before the deepest node.
void runOnSmallStack(void (*work)(void*), void* argument) {
    struct Call {
        void (*work)(void*);
        void* argument;
    } call{work, argument};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* raw) -> void* {
                      auto* c = static_cast<Call*>(raw);
                      c->work(c->argument);
                      return nullptr;
                  },
                  &call),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

TEST(Nesting, BuiltTreesOfAnyDepthAreWrittenAndReleasedWithoutRecursion) {
    constexpr int kLevels = 10'000;
    std::string text;
    auto work = [](void* out) {
        auto document = XmlDocument::createWithRoot("e");
        XmlNode* node = document->rootElement();
        for (int i = 1; i < kLevels; ++i) {
            node = &node->appendChild("e");
        }
        *static_cast<std::string*>(out) = document->rootElement()->writeToText();
    };  // the document and all its levels are released on the small stack too
    runOnSmallStack(work, &text);
    EXPECT_EQ(text.size(), static_cast<std::size_t>(kLevels - 1) * 7 + 4);
    EXPECT_EQ(text.substr(0, 6), "<e><e>");
    EXPECT_EQ(text.find("<e/>"), static_cast<std::size_t>(kLevels - 1) * 3);
    EXPECT_EQ(text.substr(text.size() - 8), "</e></e>");
}
#endif

}  // namespace
}  // namespace kelmar::xml
