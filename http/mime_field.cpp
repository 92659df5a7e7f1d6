#include "http/mime_field.h"

MimeField::MimeField(const char* name, const char* value) : m_name(name), m_value(value) {}
