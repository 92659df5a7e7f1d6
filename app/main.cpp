// The crawler executable: the whole program is the process entry.
#include "app/process_entry.h"

int main() {
    return crawlerProcessMain();
}
