// Helpers for the markup tests: parsed documents that free themselves, serialisation into a
// std::string, and running a piece of work on a thread with a small stack.
#pragma once

#include "base/string_buffer.h"
#include "markup/cls_xml.h"
#include "markup/tree_node.h"
#include "markup/xml_parser.h"
#include "markup/xml_serializer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <pthread.h>
#include <string>

namespace markup_test {

struct DocumentDeleter {
    void operator()(TreeNode* root) const { TreeNode::destroyDocument(root); }
};
using Document = std::unique_ptr<TreeNode, DocumentDeleter>;

inline Document parse(const std::string& text, LogBase* log = nullptr, bool trim = true) {
    return Document(parseXml(text.c_str(), log, trim));
}

inline Document parseWith(const std::string& text, const XmlParseOptions& options, LogBase* log = nullptr) {
    return Document(parseXml(text.c_str(), log, options));
}

inline std::string serialize(TreeNode* node, int index = 0) {
    StringBuffer out;
    serializeXml(node, out, index);
    return std::string(out.getString(), static_cast<size_t>(out.getSize()));
}

// `piece` written `times` times.
inline std::string repeat(const std::string& piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

// Elements from `node` along the first children, `node` included.
inline size_t firstChildDepth(const TreeNode* node) {
    size_t depth = 0;
    for (; node != nullptr; node = node->firstChild())
        ++depth;
    return depth;
}

inline std::string attribute(const TreeNode* node, const char* name) {
    StringBuffer value;
    return node->getAttribute(name, value) ? std::string(value.getString()) : std::string("<absent>");
}

// The attributes as the serializer writes them: ` name="value"` each.
inline std::string attributesText(const TreeNode* node) {
    StringBuffer out;
    node->writeAttributes(out);
    return out.getString();
}

inline std::string logText(ClsXml& xml) {
    StringBuffer text;
    xml.log().GetText(text);
    return text.getString();
}

// Runs `work` on a new thread whose stack is `stackBytes` large and waits for it; false when
// the thread could not be started.
inline bool runOnSmallStack(size_t stackBytes, const std::function<void()>& work) {
    struct Call {
        static void* run(void* arg) {
            (*static_cast<const std::function<void()>*>(arg))();
            return nullptr;
        }
    };
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0)
        return false;
    bool ok = pthread_attr_setstacksize(&attr, stackBytes) == 0;
    pthread_t thread;
    ok = ok && pthread_create(&thread, &attr, &Call::run, const_cast<std::function<void()>*>(&work)) == 0;
    pthread_attr_destroy(&attr);
    return ok && pthread_join(thread, nullptr) == 0;
}

} // namespace markup_test
