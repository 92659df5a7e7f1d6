// First-in first-out queue of object pointers, as the breadth-first tree searches use it. The
// queue owns its cells, never the objects: destroying it releases the cells still queued.
#pragma once

class QueuedObject {
public:
    explicit QueuedObject(void* obj) : m_obj(obj), m_next(nullptr) {}

private:
    friend class Queue;

    void* m_obj;
    QueuedObject* m_next;
};

class Queue {
public:
    Queue() : m_head(nullptr), m_tail(nullptr) {}
    ~Queue();
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    // Adds obj at the tail.
    void push(void* obj);
    // Removes the head cell and answers its object; null when empty.
    void* pop();
    bool hasObjects() const { return m_head != nullptr; }

private:
    QueuedObject* m_head;
    QueuedObject* m_tail;
};
