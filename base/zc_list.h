// Doubly linked list of object pointers. The list owns its items (the cells), never the objects
// they carry; whoever put an object in takes it out and destroys it.
#pragma once

class ZC_ListItem {
public:
    explicit ZC_ListItem(void* obj) : m_obj(obj), m_next(nullptr), m_prev(nullptr) {}

    void* getObject() const { return m_obj; }
    ZC_ListItem* getNext() const { return m_next; }
    ZC_ListItem* getPrev() const { return m_prev; }

private:
    friend class ZC_List;

    void* m_obj;
    ZC_ListItem* m_next;
    ZC_ListItem* m_prev;
};

class ZC_List {
public:
    ZC_List() : m_count(0), m_tail(nullptr), m_head(nullptr) {}
    ~ZC_List() { removeAll(); }
    ZC_List(const ZC_List&) = delete;
    ZC_List& operator=(const ZC_List&) = delete;

    // Adds obj at the tail.
    void appendItem(void* obj);
    // Destroys every item, one after the other, leaving the objects alone.
    void removeAll();

    int getCount() const { return m_count; }
    ZC_ListItem* getHead() const { return m_head; }
    ZC_ListItem* getTail() const { return m_tail; }

private:
    int m_count;
    ZC_ListItem* m_tail;
    ZC_ListItem* m_head;
};
