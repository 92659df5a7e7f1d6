// The twelve embedded reference tables as the program carries them: for each table one global
// StringBuffer, empty before main runs, and the function that fills it with the Base64 text of
// the table's ZelcoraBzip2 container. Both are generated at build time by tools/embed_tables from
// the files in data/. Call the fill functions only through fillReferenceTables()
// (app/reference_tables.h), which runs them once; afterwards the buffers are read-only.
#pragma once

#include "base/string_buffer.h"

extern StringBuffer g_embeddedStopWords;
extern StringBuffer g_embeddedPlacePhrases;
extern StringBuffer g_embeddedAboutUrlPatterns;
extern StringBuffer g_embeddedAboutLinkTexts;
extern StringBuffer g_embeddedContactUrlPatterns;
extern StringBuffer g_embeddedContactLinkTexts;
extern StringBuffer g_embeddedLanguageWords;
extern StringBuffer g_embeddedSitemapUrlPatterns;
extern StringBuffer g_embeddedSitemapLinkTexts;
extern StringBuffer g_embeddedEnterLinkTexts;
extern StringBuffer g_embeddedLocationUrlPatterns;
extern StringBuffer g_embeddedGeoTable;

void fillEmbeddedStopWords();
void fillEmbeddedPlacePhrases();
void fillEmbeddedAboutUrlPatterns();
void fillEmbeddedAboutLinkTexts();
void fillEmbeddedContactUrlPatterns();
void fillEmbeddedContactLinkTexts();
void fillEmbeddedLanguageWords();
void fillEmbeddedSitemapUrlPatterns();
void fillEmbeddedSitemapLinkTexts();
void fillEmbeddedEnterLinkTexts();
void fillEmbeddedLocationUrlPatterns();
void fillEmbeddedGeoTable();
