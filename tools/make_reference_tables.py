#!/usr/bin/env python3
"""Writes the twelve reference tables of the crawler into data/, one text file per table.

The tables steer the site analysis: URL patterns and link texts that find about, contact,
site-map and location pages, the texts of splash "enter" links, a word-to-language list, the stop
words, multi-word place names with their joined forms, and the geographic pattern table. The build
embeds the files written here into the program (tools/embed_tables.cpp); the files are the source
of truth that the build reads, and this script is how they were made.

Every file is a list of lines joined by CR LF, without a line break after the last line. Most
rows are ASCII; the contact tables and the geographic table hold a few UTF-8 words (Greek and
Cyrillic, "españa"), and the stop words a few single ISO-8859-1 / Windows-1252 bytes. The reasons
for the geographic rows that changed since the first table are in data/geo_table_notes.txt.

Usage: make_reference_tables.py [OUTPUT_DIR]   (default: the data/ folder of this checkout)
"""

import os
import sys

# Link texts of splash pages that lead into the site.
ENTER_LINK_TEXTS = [
    "enter", "enter site", "click here to enter site", "skip intro", "continue",
    "enter our public site", "skip animation",
]

# Link texts of site-map pages.
SITEMAP_LINK_TEXTS = [
    "site map", "sitemap", "site index", "site directory",
]

# Wildcard patterns ('*' any run, whole string) for site-map hrefs, lower-cased.
SITEMAP_URL_PATTERNS = [
    "*sitemap*", "*site_map*", "*asitemap*", "*siteindex*", "*site_index*", "*site-directory*",
    "*sitedirectory*",
]

# Link texts of about pages.
ABOUT_LINK_TEXTS = [
    "about us", "about *", "about", "info", "information", "company info*", "company",
    "about this site", "corporate", "corporate info*", "our company",
]

# Wildcard patterns for about-page hrefs, lower-cased.
ABOUT_URL_PATTERNS = [
    "*aboutus*", "*about_us.*", "*/about/index.*", "*/about.*", "*/info.*", "*/corporate/*",
    "*/corporate.*", "*/information.*", "*whoweare*", "/about*", "*about.us*", "*about-us*",
    "*aboutsite*", "*about_*",
]

# Link texts of contact pages, in several languages (UTF-8 for the Greek and Cyrillic ones).
CONTACT_LINK_TEXTS = [
    "contact us", "contact *", "contact", "contacta", "kontakt", "impressum", "επαφή", "contatto",
    "contato", "контакт", "contacto", "customer service", "customer support", "request information",
    "request info",
]

# Wildcard patterns for contact-page hrefs, lower-cased.
CONTACT_URL_PATTERNS = [
    "*contacts.*", "*contact.*", "*contactinfo.*", "*contact_us*", "*contacta.*", "*contact.html",
    "*contact_frm*", "*kontakt*", "*contactus*", "*whowhat*", "*/contact/*", "*impressum*",
    "contact/*", "*contatto*", "*contato*", "*контакт*", "*contacto*", "*επαφή*", "*request-info*",
    "*contact%20us*", "*contact us*", "*customer-service*", "*customerservice*",
    "*customer-support*",
]

# Wildcard patterns for hrefs, as written, of pages likely to name the site's location.
LOCATION_URL_PATTERNS = [
    "*location*", "*corporate*", "*where*", "*company*", "*compinfo*", "*coinfo*", "main.*",
    "/main.*", "home1.*", "*/home1.*", "home2.*", "*/home2.*", "index1.*", "*/index1.*", "index2.*",
    "*/index2.*", "index.*", "*/index.*", "home.*", "*/home.*", "*feedback*", "*support*",
    "*sales*", "*purchase*", "*request*", "*info*", "*default*", "*welcome*", "*enter_site*",
    "*entersite*",
]

# Words that tell the language of a page: (word, language).
LANGUAGE_WORDS = [
    ("informationen", "German"), ("deutschland", "German"), ("fabricacion", "Spanish"),
]

# Stop words in stored order, duplicates kept. "\xbb", "\x95", "\x96" and "\xe0" are single
# Windows-1252 bytes; "e " keeps its trailing blank.
STOP_WORDS = [
    "eros", "0", "1", "10", "tre", "11", "12", "finest", "therefore", "perfect", "ein", "dem",
    "totally", "hottest", "sur", "however", "fact", "required", "ultimate", "believe", "hours",
    "maybe", "qty", "sie", "untitled", "nothing", "follow", "later", "finally", "por", "kontakt",
    "yes", "whatever", "proudly", "decided", "prev", "seen", "nice", "came", "particular", "amount",
    "hear", "prefer", "sorry", "a.m", "p.m", "am", "pm", "s.a.", "s.a", "sa", "nous", "je", "a.m.",
    "p.m.", "seems", "misc", "como", "pleased", "increased", "mon", "tue", "tues", "wed", "thu",
    "thurs", "fri", "sat", "january", "february", "march", "april", "june", "july", "august",
    "september", "october", "november", "december", "monday", "tuesday", "wednesday", "thursday",
    "friday", "saturday", "sunday", "due", "found", "jan", "feb", "mar", "apr", "may", "jun", "jul",
    "aug", "sep", "oct", "nov", "dec", "tel", "experience", "comments", "immediate", "understand",
    "l.l.c", "specials", "little", "still", "added", "week", "keep", "tout", "originally",
    "further", "announced", "likely", "ongoing", "obtained", "expectations", "zum", "extra", "else",
    "exceed", "enough", "herein", "contained", "aren", "right", "understanding", "yourself",
    "yourselves", "done", "actually", "unlike", "ended", "attained", "though", "began", "genuine",
    "advantage", "typical", "endless", "wherein", "namely", "capabilities", "held", ".com",
    "success", "thousands", "hundreds", "millions", "extremely", "helped", "you-or", "literally",
    "tedious", "100", "1938", "truly", "highest", "instantly", "sure", "na", "\xbb", "always",
    "probably", "though", "soon", "might", "newer", "respective", "interested", "quick", "usually",
    "yr", "several", "telling", "tried", "trying", "re", "wasn", "smarter", "certain", "gained",
    "utilized", "chosen", "siz", "numerous", "wherever", "desired", "happening", "seriously",
    "carefully", "brought", "turned", "latest", "less", "already", "away", "powerful", "powerfull",
    "authorized", "following", "assn", "plus", "letting", "accurately", "popular", "invaluable",
    "ja", "joining", "visit", "award-winning", "anybody", "000+", "alike", "app", "obtain", "serch",
    "biggest", "accueil", "smallest", "domainauktion", "domainauction", "domaine", "domainhandel",
    "domainmarket", "domainmarkt", "domainname", "domainregistration", "le", "largest", "best",
    "amazing", "great", "superb", "fantastic", "incredible", "forsale", "sell", "du", "selling",
    "a-z", "buy", "seller", "charming", "meaningful", "certainly", "deluxe", "biggest", "simply",
    "beyond", "dramatically", "acclaimed", "awarded", "welcome", "frequent", "involved", "bois",
    "yesterday", "involve", "mr", "claiming", "ourself", "cost-effective", "recently", "please",
    "thank", "significantly", "lastly", "today", "doing", "effort", "else", "emphasis", "enjoy",
    "enter", "essential", "exciting", "excitement", "exceptional", "fabulous", "funny", "gone",
    "got", "greatest", "guarantee", "guaranteed", "had", "happy", "holiday", "honest", "inclusive",
    "incredible", "important", "je", "join", "komfort", "kountry", "low", "lower", "lowest",
    "lucky", "maintained", "maintaining", "maintains", "maximum", "minimum", "memorable", "mighty",
    "nearly", "necessary", "never", "none", "outstanding", "possible", "pour", "quite", "really",
    "recognised", "recognized", "serach", "until", "despite", "occur", "nbsp", "cheapest", "occurs",
    "Homepage", "whenever", "except", "useful", "vica", "versa", "versus", "excerpt", "topcoder",
    "topxml", "toplink", "topsite", "doesn", "doesn't", "doesnt", "whether", "unless", "what-if",
    "cheap", "near", "amongst", "hassle", "intro", "wow", "bestselling", "whilst", "usefull",
    "onto", "votre", "vous", "thank", "thru", "should", "easiest", "something", "simplest",
    "feature-rich", "followup", "forefront", "101", "250", "etc", "350", "everybody", "2-4",
    "excellence", "2-6", "anytime", "146", "quality", "appz", "assortment", "$100", "cannot",
    "effectiveness", "because", "everyday", "established", "based", "ensure", "during", "causing",
    "authorizes", "behalf", "absolutely", "emphasizing", "emphasize", "ourselves", "reasonable",
    "satisfied", "erotic", "milf", "cumfest", "sexo", "shemale", "cheapest", "pics", "pussy", "cum",
    "lesbo", "hardcore", "pornstar", "xxx", "sexo", "bestiality", "tits", "groupsex", "porno",
    "tranny", "jizz", "porn", "pornstar", "suck", "fart", "fuck", "shit", "asshole", "fucking",
    "fucker", "schlong", "asswipe", "crap", "absolute", "listing", "13", "resolving",
    "representing", "obtain", "establish", "established", "establishing", "establishment", "est",
    "039", "90", "easy-to-use", "feature", "91", "92", "93", "94", "96", "99", "beautiful",
    "yourself", "affordable", "assortment", "assorted", "oneself", "600", "800", "1000+", "1$",
    "abc", "2", "3", "4", "5", "6", "7", "e ", "$", "+", "--", "etc", "et", "serving", "servicing",
    "spend", "std", "un", "us!", "{", "}", "!", "und", "une", "una", "tt", "str", "toward", "sm",
    "00", "1970", "1971", "1972", "1973", "1974", "1975", "1976", "1977", "1978", "1979", "1980",
    "1981", "1982", "1983", "1984", "1985", "1986", "1987", "1988", "1989", "1990", "1991", "1992",
    "1993", "1994", "1995", "1996", "1997", "1998", "1999", "itself", "keyword", "into", "!", "-",
    "8", "~", "cheaper", "faster", "9", "a", "000", "|", "\x95", "\x96", "\xe0", "additional",
    "aka", "sq", "supplying", "excellent", "it's", "ability", "able", "about", "above", "accept",
    "accepted", "access", "according", "across", "add", "after", "again", "against", "all", "allow",
    "allowing", "splendid", "almost", "along", "also", "am", "amazing", "among", "amp", "an", "and",
    "annoying", "another", "anyone", "anything", "anywhere", "ar", "are", "area", "argue", "around",
    "as", "ask", "asked", "asking", "at", "att", "attempt", "attend", "au", "automatically", "az",
    "b", "back", "bc", "bcc", "be", "became", "become", "becoming", "been", "before", "begin",
    "begun", "behind", "being", "belong", "best", "better", "between", "bh", "big", "biz",
    "covering", "bk", "both", "bottom", "br", "brainfuck", "break", "bring", "bringing", "bu",
    "but", "buying", "by", "c2", "c3", "ca", "call", "called", "calling", "can", "capabilities",
    "capability", "care", "caring", "carry", "categories", "categorized", "category", "cause",
    "center", "center_", "center_url", "central", "central_", "central_url", "cetus", "cetus-link",
    "cf", "cg", "cgi", "cgi-bin", "ch", "change", "changed", "changing", "characteristic",
    "zelcorasoft", "choice", "choices", "choose", "choosing", "claim", "clearly", "cn", "co",
    "combine", "combined", "combines", "combining", "come", "coming", "common", "commonly",
    "compare", "compared", "compares", "comparing", "compiled_into", "complement", "complete",
    "completed", "completely", "component1", "conallen", "concentrating", "conf", "conforming",
    "consider", "considered", "consist", "consistent", "contain", "containing", "contains",
    "contents", "convenient", "could", "covers", "created", "creates", "creating", "ct",
    "currently", "cz", "d", "da", "dc", "de", "dept", "describe", "described", "describes",
    "describing", "designed", "detail", "detailed", "develop", "developed", "developing", "dick",
    "did", "differences", "different", "difficult", "dinkumware", "dir", "direction", "directly",
    "discussed", "discusses", "discussing", "displayed", "displaying", "dist", "dk", "dll", "dn",
    "do", "does", "dr", "e", "each", "early", "ease", "easier", "easily", "easy", "ed", "edu", "ee",
    "effectively", "efficiently", "either", "el", "en", "enable", "enables", "enc", "end", "eng",
    "engin", "entire", "entirely", "entry", "especially", "evaluates", "evaluating", "even", "ever",
    "every", "everyone", "everything", "everywhere", "exactly", "exclusive", "exclusively", "exe",
    "exh", "expect", "expected", "experienced", "experiences", "explain", "explained", "explaining",
    "exposes", "exposing", "extensive", "f", "f9", "facilitates", "fairly", "faqt", "fascinating",
    "fast", "favorite", "featured", "features", "featuring", "feel", "feeley", "few", "ff", "fi",
    "find", "finding", "fine", "first", "fl", "fm", "fm2", "focuse", "focused", "focusing", "fol",
    "for", "forthcoming", "forward", "four", "fp", "fr", "frequently", "friendly", "from",
    "fulfill", "full", "full-featured", "fully", "fully-featured", "fun", "g", "ga", "generally",
    "generates", "generating", "get", "getting", "give", "given", "gives", "giving", "go", "going",
    "good", "google", "gov", "gr", "grand", "great", "h", "hakansoft", "hallogram", "handles",
    "handy", "has", "have", "having", "he", "hello", "her", "here", "hf", "hi", "highly", "him",
    "himself", "hipe", "his", "hist", "hit", "hk", "hold", "homepage", "homepages", "hot", "how",
    "hr", "ht", "hti", "htm", "html", "http", "hu", "huge", "i", "i6", "i8", "ia", "ib", "id",
    "identify", "ie", "if", "ig", "illustrates", "immediately", "implemented", "implementing",
    "improved", "improves", "improving", "in", "include", "included", "including", "incr",
    "increase", "increasing", "index3a", "information", "intended", "interesting", "internally",
    "introduce", "introducing", "involving", "ip*works!", "is", "it", "item", "its", "j", "just",
    "k", "kc", "keeping", "kept", "kind", "know", "known", "kr", "ksu", "ky", "ky2", "l", "la",
    "large", "larger", "largest", "last", "lb", "ld", "leading", "learned", "learner", "led", "let",
    "lhm", "lib", "like", "lo", "loaded", "loading", "locally", "located", "long", "longer", "look",
    "looking", "lot", "lt", "m", "ma", "mabry", "made", "mainly", "make", "making", "manipulating",
    "manner", "many", "many_z80", "may", "me", "mean", "meaning", "meant", "meet", "mi", "mn", "mo",
    "more", "most", "mostly", "much", "must", "my", "n", "name", "nc", "need", "needed", "net",
    "nf", "nj", "nl", "no", "not", "now", "nu", "ny", "nz", "o", "of", "off", "offer", "offers",
    "often", "oh", "ok", "omit", "on", "one", "only", "or", "org", "our", "out", "over", "own", "p",
    "pa", "part", "past", "pb", "pe", "per", "perform", "perhap", "pg", "ph", "pl", "place",
    "powertcp", "prepare", "present", "presented", "presenting", "primarily", "provide", "provided",
    "provides", "providing", "put", "q r", "qc", "quot", "raise", "rc", "ready", "receive",
    "regarding", "rel", "remain", "represent", "require", "requires", "rest", "retrieve", "rr",
    "run", "running", "s", "sa", "said", "same", "say", "saying", "sc", "scjp", "se", "see",
    "select", "selected", "send", "serious", "set", "sf", "sg", "she", "showing", "si", "side",
    "since", "smaller", "so", "some", "son", "sp", "specialize", "specializes", "specializing",
    "specific", "ss", "started", "stuff", "sub", "subscribing", "such", "supported", "supporting",
    "surrounding", "t", "take", "taken", "taking", "tc", "techniques", "tell", "test", "testing",
    "than", "that", "the", "their", "them", "themself", "then", "there", "these", "they", "thing",
    "things", "think", "this", "those", "thought", "through", "throughout", "tn", "to", "toc",
    "together", "too", "top", "try", "tv", "two", "tx", "txt", "ty", "u", "ua", "uk", "under", "up",
    "unlimited", "updated", "upon", "ur", "url", "us", "use", "uses", "using", "v", "va", "value",
    "various", "very", "via", "w", "wa", "want", "was", "way", "we", "were", "what", "when",
    "where", "which", "while", "who", "whole", "whose", "why", "wi", "with", "within", "without",
    "would", "www", "www2", "www3", "x", "y", "year", "yet", "yl", "you", "your", "yours", "z",
    "za", "available", "description", "form", "inc", "ltd", "list", "link", "links", "index",
    "directory", "offering", "page", "pages", "related", "site", "sites", "variety", "other",
    "offered", "info", "allowing", "nearby", "using", "just", "approximately", "any", "once",
    "sometimes", "always", "someone", "keyword1", "keyword2", "keyword3", "keyword4", "keyword5",
    "keyword6", "keyword7", "keyword8", "keyword9", "keyword10",
]

# Multi-word place and topic names, in stored order (duplicates kept).
PLACE_KEYS = [
    "New York", "New Jersey", "New Mexico", "San Francisco", "Los Angeles", "New Hampshire",
    "North Carolina", "North Dakota", "Real Estate", "real estate", "Rhode Island",
    "South Carolina", "South Dakota", "West Virginia", "Nova Scotia", "British Columbia",
    "St. John", "St. Croix", "St. Maartin", "Saint Maartin", "St. Lucia", "Marigot Bay",
    "St. Martin", "St.Martin", "St.Croix", "St.John", "St. Vincent", "Puerto Rico", "Grand Bahama",
    "Great Abaco", "New Providence", "Santo Domingo", "St. Kitts", "St Kitts", "St. Barthelemy",
    "West Indies", "Coral Sands", "Grand Cayman", "deep water", "deep sea", "blue marlin",
    "Boca Chica", "Montego Bay", "Punta Cana", "Saint Kitts", "St Bart", "Saint Bart", "St. Bart",
    "St Lawrence", "Saint Lawrence", "St. Lawrence", "St Vincent", "Saint Vincent", "St. Vincent",
    "St Maarten", "Saint Maarten", "St. Maarten", "St Kitts", "Saint Kitts", "St. Kitts",
    "Dominican Republic", "Green Turtle", "Great Guana", "Turks and Caicos", "Del Rio",
    "Netherland Antilles", "St Nevis", "Saint Nevis", "St. Nevis", "StLucia", "St-Lucia", "St Mary",
    "St. Mary", "St Thomas", "Saint Thomas", "St. Thomas", "Ocho Rios", "Air Force", "AirForce",
    "sterling silver", "stainless steel", "white gold", "yellow gold", "pink gold", "ear ring",
    "toe ring", "belly button", "Beverly Hills", "Mickey Mouse", "San Diego", "Santa Fe",
    "San Antonio", "Salt Lake City", "St. Louis", "St Louis", "Saint Louis", "St. Patrick",
    "St Patrick", "San Jose", "El Paso", "Fort Worth", "Oklahoma City", "New Orleans", "Las Vegas",
    "Long Beach", "Kansas City", "Virginia Beach", "Colorado Springs", "Santa Ana", "Saint Paul",
    "Corpus Christi", "Saint Petersburg", "Jersey City", "Baton Rouge", "Fort Wayne",
    "Grand Rapids", "Fort Lauderdale", "United Kingdom", "United States", "Hong Kong",
    "Czech Republic", "South Africa", "United Arab Emirates", "Saudi Arabia", "Soviet Union",
    "Costa Rica", "French Polynesia", "Ascension Island", "El Salvador", "New Guinea", "Sao Tome",
    "amino acid", "Ann Arbor", "sperm bank", "search engine", "birth defect", "black widow",
    "British Isles", "Canary Island", "carbon dioxide", "carbon monoxide", "Chesapeake Bay",
    "coral reef", "cystic fibrosis", "data mining", "data acquisition", "data analysis",
    "decision support", "digital camera", "East Africa", "knowledge management",
    "artificial intelligence", "object oriented", "Visual Basic", "Visual C++", "New England",
    "New Brunswick", "New Zealand", "boy scout", "girl scout", "Bryce Canyon", "Bryson City",
    "bulletin board", "canary island", "Cape Town", "Cape Cod", "Cape Ann", "Cape Breton",
    "cape buffalo", "cape york", "casa del mar", "casa grande", "coral cay", "guana cay",
    "tobacco cay", "salt cay", "Cedar City", "Cedar Creek", "Corpus Christi", "coast guard",
    "Coco Island", "Cocos Island", "continental divide", "Del Mar", "Del Rio", "Fort Myers",
    "Fort Pierce", "Fort Worth", "Fort Lauderdale", "glacier bay", "key largo", "key west",
    "sierra madre", "laguna madre", "mahi mahi", "manta ray", "sting ray", "Marthas Vineyard",
    "non profit", "not for profit", "Lake Michigan", "Lake Erie", "Lake Superior", "Lake Huron",
    "Lake Ontario", "Saint Joseph", "calling card", "phone card", "bora bora", "Cabo San Lucas",
    "anti aging", "anti wrinkle", "del mar", "feng shui", "five star", "kung fu", "marco island",
    "new age", "santa barbara", "santa cruz", "santa monica", "santa rosa", "tai chi", "tampa bay",
]

# Replacements that are not simply the key with its blanks turned into "_".
PLACE_EXCEPTIONS = [
    ("St. John", "St_John"), ("St. Croix", "St_Croix"), ("St. Maartin", "St_Maartin"),
    ("Saint Maartin", "St_Maartin"), ("St. Lucia", "St_Lucia"), ("St. Martin", "St_Martin"),
    ("St.Martin", "St_Martin"), ("St.Croix", "St_Croix"), ("St.John", "St_John"),
    ("St. Vincent", "St_Vincent"), ("St. Kitts", "St_Kitts"), ("St. Barthelemy", "St_Barthelemy"),
    ("Saint Kitts", "St_Kitts"), ("Saint Bart", "St_Bart"), ("St. Bart", "St_Bart"),
    ("Saint Lawrence", "St_Lawrence"), ("St. Lawrence", "St_Lawrence"),
    ("Saint Vincent", "St_Vincent"), ("St. Vincent", "St_Vincent"), ("Saint Maarten", "St_Maarten"),
    ("St. Maarten", "St_Maarten"), ("Saint Kitts", "St_Kitts"), ("St. Kitts", "St_Kitts"),
    ("Saint Nevis", "St_Nevis"), ("St. Nevis", "St_Nevis"), ("StLucia", "St_Lucia"),
    ("St-Lucia", "St_Lucia"), ("St. Mary", "St_Mary"), ("Saint Thomas", "St_Thomas"),
    ("St. Thomas", "St_Thomas"), ("AirForce", "Air_Force"), ("ear ring", "earring"),
    ("St. Louis", "St_Louis"), ("Saint Louis", "St_Louis"), ("St. Patrick", "St_Patrick"),
    ("Saint Paul", "St_Paul"), ("Saint Petersburg", "St_Petersburg"), ("non profit", "non-profit"),
    ("not for profit", "non-profit"), ("anti aging", "anti-aging"),
    ("anti wrinkle", "anti-wrinkle"), ("five star", "five-star"),
]

# International calling codes and the country each stands for.
CALLING_CODES = [
    ("44", "UK"), ("54", "AR"), ("61", "AU"), ("43", "AT"), ("32", "BE"), ("55", "BR"),
    ("56", "CL"), ("86", "CN"), ("57", "CO"), ("53", "CU"), ("45", "DK"), ("20", "EG"),
    ("33", "FR"), ("49", "DE"), ("30", "GR"), ("36", "HU"), ("91", "IN"), ("62", "ID"),
    ("98", "IR"), ("972", "IL"), ("353", "IE"), ("39", "IT"), ("81", "JP"), ("82", "KR"),
    ("352", "LU"), ("60", "MY"), ("52", "MX"), ("31", "NL"), ("64", "NZ"), ("47", "NO"),
    ("92", "PK"), ("51", "PE"), ("63", "PH"), ("48", "PL"), ("40", "RO"), ("7", "RU"),
    ("966", "SA"), ("65", "SG"), ("27", "ZA"), ("34", "ES"), ("94", "LK"), ("46", "SE"),
    ("41", "CH"), ("66", "TH"), ("90", "TR"), ("58", "VE"), ("84", "VN"), ("254", "KE"),
]

# State abbreviations of the STATE + ZIP section, in its order.
ZIP_STATES = [
    "wv", "al", "ak", "az", "ar", "ca", "co", "ct", "de", "fl", "ga", "gu", "hi", "id", "il", "in",
    "ia", "ks", "ky", "la", "me", "md", "ma", "mi", "mn", "ms", "mo", "mt", "ne", "nv", "nh", "nj",
    "nm", "nc", "nd", "oh", "ok", "or", "pa", "pr", "ri", "sc", "sd", "tn", "vt", "vi", "va", "wa",
    "wi", "wy", "ny", "tx", "ut",
]

# US area codes and the state part of their value, as stored (partly lower case).
AREA_CODES = [
    ("229", "ga"), ("404", "ga"), ("470", "ga"), ("478", "ga"), ("678", "ga"), ("706", "ga"),
    ("770", "ga"), ("912", "ga"), ("405", "ok"), ("205", "AL"), ("251", "AL"), ("256", "AL"),
    ("334", "AL"), ("907", "AK"), ("480", "AZ"), ("520", "AZ"), ("602", "AZ"), ("623", "AZ"),
    ("928", "AZ"), ("479", "AR"), ("501", "AR"), ("870", "AR"), ("209", "CA"), ("213", "CA"),
    ("310", "CA"), ("323", "CA"), ("408", "CA"), ("415", "CA"), ("424", "CA"), ("510", "CA"),
    ("530", "CA"), ("559", "CA"), ("562", "CA"), ("619", "CA"), ("626", "CA"), ("650", "CA"),
    ("661", "CA"), ("707", "CA"), ("714", "CA"), ("760", "CA"), ("805", "CA"), ("818", "CA"),
    ("831", "CA"), ("858", "CA"), ("909", "CA"), ("916", "CA"), ("925", "CA"), ("949", "CA"),
    ("303", "CO"), ("719", "CO"), ("720", "CO"), ("970", "CO"), ("203", "CT"), ("475", "CT"),
    ("860", "CT"), ("959", "CT"), ("302", "DE"), ("239", "FL"), ("305", "FL"), ("321", "FL"),
    ("352", "FL"), ("386", "FL"), ("407", "FL"), ("561", "FL"), ("727", "FL"), ("754", "FL"),
    ("772", "FL"), ("786", "FL"), ("813", "FL"), ("850", "FL"), ("863", "FL"), ("904", "FL"),
    ("941", "FL"), ("954", "FL"), ("808", "HI"), ("208", "ID"), ("217", "IL"), ("224", "IL"),
    ("309", "IL"), ("312", "IL"), ("331", "IL"), ("464", "IL"), ("618", "IL"), ("630", "IL"),
    ("708", "IL"), ("773", "IL"), ("815", "IL"), ("847", "IL"), ("872", "IL"), ("219", "IN"),
    ("260", "IN"), ("317", "IN"), ("574", "IN"), ("765", "IN"), ("812", "IN"), ("319", "IA"),
    ("515", "IA"), ("563", "IA"), ("641", "IA"), ("712", "IA"), ("316", "KS"), ("620", "KS"),
    ("785", "KS"), ("913", "KS"), ("270", "KY"), ("502", "KY"), ("606", "KY"), ("859", "KY"),
    ("225", "LA"), ("318", "LA"), ("337", "LA"), ("504", "LA"), ("985", "LA"), ("207", "ME"),
    ("227", "MD"), ("240", "MD"), ("301", "MD"), ("410", "MD"), ("443", "MD"), ("667", "MD"),
    ("339", "MA"), ("351", "MA"), ("413", "MA"), ("508", "MA"), ("617", "MA"), ("774", "MA"),
    ("781", "MA"), ("857", "MA"), ("978", "MA"), ("231", "MI"), ("248", "MI"), ("269", "MI"),
    ("313", "MI"), ("517", "MI"), ("586", "MI"), ("616", "MI"), ("734", "MI"), ("810", "MI"),
    ("906", "MI"), ("947", "MI"), ("989", "MI"), ("218", "MN"), ("320", "MN"), ("507", "MN"),
    ("612", "MN"), ("651", "MN"), ("763", "MN"), ("952", "MN"), ("228", "MS"), ("601", "MS"),
    ("662", "MS"), ("314", "MO"), ("417", "MO"), ("557", "MO"), ("573", "MO"), ("636", "MO"),
    ("660", "MO"), ("816", "MO"), ("975", "MO"), ("406", "MT"), ("308", "NE"), ("402", "NE"),
    ("702", "NV"), ("775", "NV"), ("603", "NH"), ("201", "NJ"), ("551", "NJ"), ("609", "NJ"),
    ("732", "NJ"), ("848", "NJ"), ("856", "NJ"), ("862", "NJ"), ("908", "NJ"), ("973", "NJ"),
    ("505", "NM"), ("212", "NY"), ("315", "NY"), ("347", "NY"), ("516", "NY"), ("518", "NY"),
    ("585", "NY"), ("607", "NY"), ("631", "NY"), ("646", "NY"), ("716", "NY"), ("718", "NY"),
    ("845", "NY"), ("914", "NY"), ("917", "NY"), ("252", "NC"), ("336", "NC"), ("704", "NC"),
    ("828", "NC"), ("910", "NC"), ("919", "NC"), ("980", "NC"), ("984", "NC"), ("701", "ND"),
    ("216", "OH"), ("234", "OH"), ("283", "OH"), ("330", "OH"), ("419", "OH"), ("440", "OH"),
    ("513", "OH"), ("567", "OH"), ("614", "OH"), ("740", "OH"), ("937", "OH"), ("405", "OK"),
    ("580", "OK"), ("918", "OK"), ("503", "OR"), ("541", "OR"), ("971", "OR"), ("215", "PA"),
    ("267", "PA"), ("412", "PA"), ("445", "PA"), ("484", "PA"), ("570", "PA"), ("610", "PA"),
    ("717", "PA"), ("724", "PA"), ("814", "PA"), ("835", "PA"), ("878", "PA"), ("401", "RI"),
    ("803", "SC"), ("843", "SC"), ("864", "SC"), ("605", "SD"), ("423", "TN"), ("615", "TN"),
    ("731", "TN"), ("865", "TN"), ("901", "TN"), ("931", "TN"), ("210", "TX"), ("214", "TX"),
    ("254", "TX"), ("281", "TX"), ("361", "TX"), ("409", "TX"), ("469", "TX"), ("512", "TX"),
    ("682", "TX"), ("713", "TX"), ("737", "TX"), ("806", "TX"), ("817", "TX"), ("830", "TX"),
    ("832", "TX"), ("903", "TX"), ("915", "TX"), ("936", "TX"), ("940", "TX"), ("956", "TX"),
    ("972", "TX"), ("979", "TX"), ("435", "UT"), ("801", "UT"), ("802", "VT"), ("276", "VA"),
    ("434", "VA"), ("540", "VA"), ("571", "VA"), ("703", "VA"), ("757", "VA"), ("804", "VA"),
    ("206", "WA"), ("253", "WA"), ("360", "WA"), ("425", "WA"), ("509", "WA"), ("564", "WA"),
    ("202", "DC"), ("304", "WV"), ("262", "WI"), ("414", "WI"), ("608", "WI"), ("715", "WI"),
    ("920", "WI"), ("307", "WY"),
]

# "city,state" spellings.
US_CITY_STATE = [
    ("chicago,il", "Chicago,IL,US"), ("melrose park,il", "Chicago,IL,US"),
    ("rockford,il", "Chicago,IL,US"), ("aurora,il", "Chicago,IL,US"),
    ("naperville,il", "Chicago,IL,US"), ("peoria,il", ",IL,US"), ("springfield,il", ",IL,US"),
    ("bloomington,il", ",IL,US"), ("joliet,il", "Chicago,IL,US"), ("champaign-urbana", ",IL,US"),
    ("champaign,il", ",IL,US"), ("urbana,il", ",IL,US"), ("elgin,il", "Chicago,IL,US"),
    ("waukegan,il", "Chicago,IL,US"), ("cicero,il", "Chicago,IL,US"), ("decatur,il", ",IL,US"),
    ("arlington hts,il", "Chicago,IL,US"), ("arlington heights,il", "Chicago,IL,US"),
    ("schaumburg,il", "Chicago,IL,US"), ("evanston,il", "Chicago,IL,US"), ("fargo,nd", ",ND,US"),
    ("arlington,virg", ",VA,US"),
]

# US city names on their own.
BARE_US_CITIES = [
    ("washington,dc", ",DC,US"), ("baltimore", "Baltimore,MD,US"),
    ("los angeles", "Los Angeles,CA,US"), ("chicago", "Chicago,IL,US"),
    ("houston", "Houston,TX,US"), ("philadelphia", "Philadelphia,PA,US"),
    ("phoenix", "Phoenix,AZ,US"), ("san diego", "San Diego,CA,US"),
    ("san antonio", "San Antonio,TX,US"), ("dallas", "Dallas,TX,US"),
    ("san jose", "San Jose,CA,US"), ("detroit", "Detroit,MI,US"),
    ("indianapolis", "Indianapolis,IN,US"), ("jacksonville", "Jacksonville,FL,US"),
    ("san francisco", "San Francisco,CA,US"), ("columbus", "Columbus,OH,US"),
    ("austin", "Austin,TX,US"), ("memphis", "Memphis,TN,US"), ("fort worth", "Fort Worth,TX,US"),
    ("charlotte", "Charlotte,NC,US"), ("el paso", "El Paso,TX,US"),
    ("milwaukee", "Milwaukee,WI,US"), ("seattle", "Seattle,WA,US"), ("boston", "Boston,MA,US"),
    ("denver", "Denver,CO,US"), ("louisville", "Louisville,KY,US"),
    ("nashville", "Nashville,TN,US"), ("las vegas", "Las Vegas,NV,US"),
    ("portland", "Portland,OR,US"), ("oklahoma city", "Oklahoma City,OK,US"),
    ("tucson", "Tucson,AZ,US"), ("albuquerque", "Albuquerque,NM,US"),
    ("long beach", "Long Beach,CA,US"), ("new orleans", "New Orleans,LA,US"),
    ("cleveland", "Cleveland,OH,US"), ("fresno", "Fresno,CA,US"),
    ("sacramento", "Sacramento,CA,US"), ("kansas city", "Kansas City,KS,US"),
    ("virginia beach", "Virginia Beach,VA,US"), ("atlanta", "Atlanta,GA,US"),
    ("omaha", "Omaha,NE,US"), ("oakland", "Oakland,CA,US"), ("tulsa", "Tulsa,OK,US"),
    ("miami", "Miami,FL,US"), ("honolulu", "Honolulu,HI,US"), ("minneapolis", "Minneapolis,MN,US"),
    ("st. louis", "St. Louis,MO,US"), ("pittsburgh", "Pittsburgh,PA,US"),
    ("wichita", "Wichita,KS,US"), ("cincinnati", "Cincinnati,OH,US"),
    ("bakersfield", "Bakersfield,CA,US"), ("anchorage", "Anchorage,AK,US"),
    ("birmingham", "Birmingham,AL,US"), ("greensboro", "Greensboro,NC,US"),
    ("newark", "Newark,NJ,US"), ("napa valley", ",CA,US"), ("orlando", ",FL,US"),
    ("baton rouge", ",LA,US"),
]

# US state and territory names; one key is a note that page text never contains.
BARE_STATES = [
    ("west virginia", ",wv,US"), ("alabama", ",al,US"), ("alaska", ",ak,US"),
    ("american samoa", ",as,US"), ("arizona", ",az,US"), ("arkansas", ",ar,US"),
    ("california", ",ca,US"), ("colorado", ",co,US"), ("connecticut", ",ct,US"),
    ("delaware", ",de,US"), ("district of columbia", ",dc,US"),
    ("federated states of micronesia", ",fm,US"), ("florida", ",fl,US"),
    ("georgia -- no good because of font and russian state.", ",ga,US"), ("guam", ",gu,US"),
    ("hawaii", ",hi,US"), ("idaho", ",id,US"), ("illinois", ",il,US"), ("indiana", ",in,US"),
    ("iowa", ",ia,US"), ("kansas", ",ks,US"), ("kentucky", ",ky,US"), ("louisiana", ",la,US"),
    ("maine", ",me,US"), ("marshall islands", ",mh,US"), ("maryland", ",md,US"),
    ("massachusetts", ",ma,US"), ("michigan", ",mi,US"), ("minnesota", ",mn,US"),
    ("mississippi", ",ms,US"), ("missouri", ",mo,US"), ("montana", ",mt,US"),
    ("nebraska", ",ne,US"), ("nevada", ",nv,US"), ("new hampshire", ",nh,US"),
    ("new jersey", ",nj,US"), ("new mexico", ",nm,US"), ("north carolina", ",nc,US"),
    ("north dakota", ",nd,US"), ("northern mariana islands", ",mp,US"), ("ohio", ",oh,US"),
    ("oklahoma", ",ok,US"), ("oregon", ",or,US"), ("palau", ",pw,US"), ("pennsylvania", ",pa,US"),
    ("puerto rico", ",pr,US"), ("rhode island", ",ri,US"), ("south carolina", ",sc,US"),
    ("south dakota", ",sd,US"), ("tennessee", ",tn,US"), ("vermont", ",vt,US"),
    ("virgin islands", ",vi,US"), ("virginia", ",va,US"), ("washington", ",wa,US"),
    ("wisconsin", ",wi,US"), ("wyoming", ",wy,US"), ("new york", ",ny,US"), ("texas", ",tx,US"),
    ("utah", ",ut,US"),
]

# Canadian provinces.
CANADIAN_PROVINCES = [
    ("alberta", ",AB,CA"), ("british columbia", ",BC,CA"), ("manitoba", ",MB,CA"),
    ("new brunswick", ",NB,CA"), ("newfoundland", ",NL,CA"), ("nova scotia", ",NS,CA"),
    ("ontario", ",ON,CA"), ("prince edward island", ",PE,CA"), ("quebec", ",QC,CA"),
    ("saskatchewan", ",SK,CA"), ("yukon territory", ",YT,CA"),
]

# ---------------------------------------------------------------------------------------------
# Place phrases: pairs of a multi-word name and the same name joined into one word.

PLACE_NOTE = ("Do not include strings that can be found in URLs.", "****")


def place_phrases():
    replacements = dict(PLACE_EXCEPTIONS)
    lines = list(PLACE_NOTE)
    for key in PLACE_KEYS:
        lines.append(key)
        lines.append(replacements.get(key, key.replace(" ", "_")))
    return lines


# ---------------------------------------------------------------------------------------------
# Geographic table: ordered pairs of a substring to look for in lower-cased page text and a
# "city,state,country" value. The first pair whose key occurs wins, so the section order is the
# order of precedence. Each section starts with a comment pair ("//..." -> ",,").

SECTION_TELEPHONE = "//////////////////////////////// country-code telephone numbers."
SECTION_STATE_ZIP = "//////////////////// state + zip"
SECTION_CITY_STATE = "//////////////////////////////// us city,state"
SECTION_POSTAL = "//////////////////////////////// english postal codes"
SECTION_US_CITIES = "//////////////////////////////// bare us cities....178139861"
SECTION_FOREIGN_PROVINCES = "//////////////////////////////// bare foreign provinces....178139861"
SECTION_FOREIGN_CITIES = "//////////////////////////////// bare foreign cities....178139861"
SECTION_COUNTRIES = "//////////////////////////////// bare countries....178139861"
SECTION_AREA_CODES = "//////////////////////////////////// area codes....178139861"
SECTION_TELEPHONE_DOT = "//////////////////////////////// country-code telephone numbers (format #2)."
SECTION_STATES = "//////////////////////////////////// bare states....178139861"
SECTION_PROVINCES = "//////////////////////////////////// bare canadian provinces....178139861"
SECTION_AREA_DOT = "// different area code formats....."
SECTION_AREA_DASH = "// area code format using dash."
SECTION_AREA_ONE = "// area code format using 1.areacode."
SECTION_STATE_ABBREV = "// state abbrev."
SECTION_FOREIGN_WORDS = "// telltale foreign words"
SECTION_PHONE_PLUS = "// easier matching international phone codes"
SECTION_MORE_CITIES = "// more city names...."

FOREIGN_PROVINCES = [("edmonton", ",AB,CA")]
FOREIGN_CITIES = [
    ("newcastle upon tyne", ",,UK"), ("madrid", ",,ES"), ("chennai", ",,IN"), ("cairns,au", ",,AU"),
]
# Keys are written as normalised page text shows them: UTF-8, lower case, "," without a blank.
COUNTRIES = [("espa\xf1a", ",,ES")]
FOREIGN_WORDS = [("v\xe4lkommen", ",,SE"), ("willkommen", ",,DE"), ("en-gb", ",,UK"), ("2jg,", ",,UK")]
MORE_CITIES = [("bangalore", ",,IN"), ("hyderabad", ",,IN")]
POSTAL_CODES = [("wn7 2rj", ",,UK")]

# The State abbrev. section: the 50 states, DC and PR, in the order of the STATE + ZIP list
# (which also holds the territories gu and vi) with dc placed after va.
STATE_ABBREVIATIONS = [a for a in ZIP_STATES if a not in ("gu", "vi")]
STATE_ABBREVIATIONS.insert(STATE_ABBREVIATIONS.index("va") + 1, "dc")


def telephone_pairs(key_of):
    """One pair per calling code; the last code (254) is written without a leading blank or "(0)"."""
    pairs = [(key_of(code), ",," + country) for code, country in CALLING_CODES]
    last_key, last_value = pairs[-1]
    pairs[-1] = (last_key.lstrip(" ").replace("(0)", ""), last_value)
    return pairs


def us_value(state):
    return "," + state + ",US"


def geo_sections():
    telephone = [("tel: 44(0)", ",,UK"), (" +44 (0)", ",,UK")]
    telephone += telephone_pairs(lambda code: " +" + code + "(0)")
    state_zip = [(" ma 01", ",MA,US")]
    for abbreviation in ZIP_STATES:
        for digit in "0123456789":
            state_zip.append(("," + abbreviation + " " + digit, us_value(abbreviation.upper())))
    state_zip.append((",n.y.", ",NY,US"))
    abbrev = [("," + a + ".", us_value(a.upper())) for a in STATE_ABBREVIATIONS]
    abbrev += [("," + a + ",", us_value(a.upper())) for a in STATE_ABBREVIATIONS]

    def area(fmt):
        return [(fmt % code, us_value(state)) for code, state in AREA_CODES]

    return [
        (SECTION_TELEPHONE, telephone),
        (SECTION_STATE_ZIP, state_zip),
        (SECTION_CITY_STATE, US_CITY_STATE),
        (SECTION_POSTAL, POSTAL_CODES),
        (SECTION_US_CITIES, BARE_US_CITIES),
        (SECTION_FOREIGN_PROVINCES, FOREIGN_PROVINCES),
        (SECTION_FOREIGN_CITIES, FOREIGN_CITIES),
        (SECTION_COUNTRIES, COUNTRIES),
        (SECTION_AREA_CODES, area("(%s)")),
        (SECTION_TELEPHONE_DOT, telephone_pairs(lambda code: " +" + code + ".")),
        (SECTION_STATES, BARE_STATES),
        (SECTION_PROVINCES, CANADIAN_PROVINCES),
        (SECTION_AREA_DOT, area(" %s.")),
        (SECTION_AREA_DASH, area(" %s-")),
        (SECTION_AREA_ONE, area(" 1.%s.")),
        (SECTION_STATE_ABBREV, abbrev),
        (SECTION_FOREIGN_WORDS, FOREIGN_WORDS),
        (SECTION_PHONE_PLUS, telephone_pairs(lambda code: "+" + code)),
        (SECTION_MORE_CITIES, MORE_CITIES),
    ]


def geo_table():
    lines = []
    for header, pairs in geo_sections():
        lines += [header, ",,"]
        for key, value in pairs:
            lines += [key, value]
    return lines


# ---------------------------------------------------------------------------------------------
# Output. Each table: file name, lines, and the encoding that gives its stored bytes.

def pairs_to_lines(pairs):
    return [item for pair in pairs for item in pair]


TABLES = [
    ("stop_words.txt", lambda: STOP_WORDS, "latin-1", 1237),
    ("place_phrases.txt", place_phrases, "ascii", 450),
    ("about_url_patterns.txt", lambda: ABOUT_URL_PATTERNS, "ascii", 14),
    ("about_link_texts.txt", lambda: ABOUT_LINK_TEXTS, "ascii", 11),
    ("contact_url_patterns.txt", lambda: CONTACT_URL_PATTERNS, "utf-8", 24),
    ("contact_link_texts.txt", lambda: CONTACT_LINK_TEXTS, "utf-8", 15),
    ("language_words.txt", lambda: pairs_to_lines(LANGUAGE_WORDS), "ascii", 6),
    ("sitemap_url_patterns.txt", lambda: SITEMAP_URL_PATTERNS, "ascii", 7),
    ("sitemap_link_texts.txt", lambda: SITEMAP_LINK_TEXTS, "ascii", 4),
    ("enter_link_texts.txt", lambda: ENTER_LINK_TEXTS, "ascii", 7),
    ("location_url_patterns.txt", lambda: LOCATION_URL_PATTERNS, "ascii", 30),
    ("geo_table.txt", geo_table, "utf-8", 4200),
]

# Sizes the stored tables are known to have; a mismatch means a row went wrong.
EXPECTED_BYTES = {"stop_words.txt": 9271, "geo_table.txt": 33787}
GEO_SECTION_PAIRS = [51, 533, 23, 2, 59, 2, 5, 2, 285, 49, 60, 12, 285, 285, 285, 105, 5, 49, 3]


def check(name, lines, data):
    if name in EXPECTED_BYTES and len(data) != EXPECTED_BYTES[name]:
        sys.exit("%s: %d bytes, expected %d" % (name, len(data), EXPECTED_BYTES[name]))
    if any(line == "" for line in lines):
        sys.exit("%s: empty line" % name)
    if name == "stop_words.txt" and len(set(lines)) != 1210:
        sys.exit("stop words: %d distinct, expected 1210" % len(set(lines)))
    if name == "place_phrases.txt":
        capitalised = sum(1 for key in lines[0::2] if key != key.lower())
        if capitalised != 155 or max(len(line) for line in lines) != 49:
            sys.exit("place phrases: %d keys with capitals, longest line %d"
                     % (capitalised, max(len(line) for line in lines)))
    if name == "geo_table.txt":
        sizes = [len(pairs) + 1 for _, pairs in geo_sections()]
        us = sum(1 for value in lines[1::2] if value.split(",")[2] == "US")
        if sizes != GEO_SECTION_PAIRS or us != 1911:
            sys.exit("geographic table: sections %s, %d values naming US" % (sizes, us))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data")
    os.makedirs(out_dir, exist_ok=True)
    for name, make, encoding, count in TABLES:
        lines = make()
        if len(lines) != count:
            sys.exit("%s: %d lines, expected %d" % (name, len(lines), count))
        data = b"\r\n".join(line.encode(encoding) for line in lines)
        check(name, lines, data)
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
