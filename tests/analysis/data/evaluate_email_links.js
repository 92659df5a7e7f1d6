// Evaluates every script of an e-mail list: for each entry it prints the address, then the href
// and the text of the single a element the script writes, tab-separated.
const fs = require('fs');
const vm = require('vm');
const text = fs.readFileSync(process.argv[2], 'latin1');
const entry = /(\S+) (<script[^>]*>)([\s\S]*?)<\/script>\n<br>\n/gi;
let m;
while ((m = entry.exec(text)) !== null) {
    const written = [];
    vm.runInNewContext(m[3], { document: { write: (s) => written.push(String(s)) } });
    const html = written.join('');
    const a = /^<a\s+href\s*=\s*"([^"]*)"\s*>([^<]*)<\/a>$/i.exec(html);
    console.log([m[1], a ? a[1] : 'NO LINK: ' + JSON.stringify(html), a ? a[2] : ''].join('\t'));
}
