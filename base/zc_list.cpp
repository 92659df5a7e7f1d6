#include "base/zc_list.h"

void ZC_List::appendItem(void* obj) {
    ZC_ListItem* item = new ZC_ListItem(obj);
    item->m_prev = m_tail;
    if (m_tail != nullptr)
        m_tail->m_next = item;
    else
        m_head = item;
    m_tail = item;
    ++m_count;
}

void ZC_List::removeAll() {
    ZC_ListItem* item = m_head;
    while (item != nullptr) {
        ZC_ListItem* next = item->m_next;
        delete item;
        item = next;
    }
    m_head = nullptr;
    m_tail = nullptr;
    m_count = 0;
}
