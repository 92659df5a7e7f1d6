#include "base/queue.h"

Queue::~Queue() {
    QueuedObject* cell = m_head;
    while (cell != nullptr) {
        QueuedObject* next = cell->m_next;
        delete cell;
        cell = next;
    }
}

void Queue::push(void* obj) {
    QueuedObject* cell = new QueuedObject(obj);
    if (m_tail != nullptr)
        m_tail->m_next = cell;
    else
        m_head = cell;
    m_tail = cell;
}

void* Queue::pop() {
    QueuedObject* cell = m_head;
    if (cell == nullptr)
        return nullptr;
    m_head = cell->m_next;
    if (m_head == nullptr)
        m_tail = nullptr;
    void* obj = cell->m_obj;
    delete cell;
    return obj;
}
