// Reads the HTML pages named on the command line and prints a JSON array, for each page:
//   htmlparser2: the text of every script element the htmlparser2 library finds;
//   browser:     the text of every script element by the script-data rules of the HTML
//                standard's tokenizer, escaped and double-escaped states included (a "<script"
//                after "<!--" nests, so its "</script>" does not end the element);
//   runs:        for each script of "browser", the calls it made to alert, confirm and prompt
//                when run as a classic script, or {error: message} when it does not run.
// Line breaks are normalised to LF first, as a browser does.
'use strict';
const fs = require('fs');
const vm = require('vm');
const { Parser } = require('htmlparser2');

function viaHtmlparser2(text) {
  const scripts = [];
  let current = null;
  const parser = new Parser({
    onopentag(name) { if (name === 'script') current = ''; },
    ontext(t) { if (current !== null) current += t; },
    onclosetag(name) {
      if (name === 'script' && current !== null) { scripts.push(current); current = null; }
    },
  }, { decodeEntities: false });
  parser.write(text);
  parser.end();
  if (current !== null) scripts.push(current);
  return scripts;
}

const isAlpha = (c) => /^[A-Za-z]$/.test(c);
const isSpace = (c) => c === '\t' || c === '\n' || c === '\f' || c === ' ';

// Where the script element whose text starts at `from` ends: the index of its end tag's "<"
// (the text's length when the page ends first), and the index just after that tag's ">".
function scriptDataEnd(text, from) {
  let state = 'data';
  let name = '';
  let tagStart = -1;
  for (let i = from; i <= text.length; i++) {
    const c = i < text.length ? text[i] : null; // null: end of file
    if (c === null) return [text.length, text.length];
    switch (state) {
      case 'data':
        if (c === '<') { state = 'lt'; tagStart = i; }
        break;
      case 'lt':
        if (c === '/') { name = ''; state = 'endOpen'; }
        else if (c === '!') state = 'escStart';
        else { state = 'data'; i--; }
        break;
      case 'endOpen':
        state = isAlpha(c) ? 'endName' : 'data'; i--;
        break;
      case 'endName':
      case 'escEndName':
        if ((isSpace(c) || c === '/' || c === '>') && name === 'script') {
          return [tagStart, text.indexOf('>', i) + 1 || text.length];
        }
        if (isAlpha(c)) name += c.toLowerCase();
        else { state = state === 'endName' ? 'data' : 'esc'; i--; }
        break;
      case 'escStart':
        if (c === '-') state = 'escStartDash'; else { state = 'data'; i--; }
        break;
      case 'escStartDash':
        if (c === '-') state = 'escDashDash'; else { state = 'data'; i--; }
        break;
      case 'esc':
        if (c === '-') state = 'escDash';
        else if (c === '<') { state = 'escLt'; tagStart = i; }
        break;
      case 'escDash':
        if (c === '-') state = 'escDashDash';
        else if (c === '<') { state = 'escLt'; tagStart = i; }
        else state = 'esc';
        break;
      case 'escDashDash':
        if (c === '-') break;
        if (c === '<') { state = 'escLt'; tagStart = i; }
        else if (c === '>') state = 'data';
        else state = 'esc';
        break;
      case 'escLt':
        if (c === '/') { name = ''; state = 'escEndOpen'; }
        else if (isAlpha(c)) { name = ''; state = 'dblStart'; i--; }
        else { state = 'esc'; i--; }
        break;
      case 'escEndOpen':
        state = isAlpha(c) ? 'escEndName' : 'esc'; i--;
        break;
      case 'dblStart':
        if (isSpace(c) || c === '/' || c === '>') state = name === 'script' ? 'dbl' : 'esc';
        else if (isAlpha(c)) name += c.toLowerCase();
        else { state = 'esc'; i--; }
        break;
      case 'dbl':
        if (c === '-') state = 'dblDash';
        else if (c === '<') state = 'dblLt';
        break;
      case 'dblDash':
        if (c === '-') state = 'dblDashDash';
        else if (c === '<') state = 'dblLt';
        else state = 'dbl';
        break;
      case 'dblDashDash':
        if (c === '-') break;
        if (c === '<') state = 'dblLt';
        else if (c === '>') state = 'data';
        else state = 'dbl';
        break;
      case 'dblLt':
        if (c === '/') { name = ''; state = 'dblEnd'; } else { state = 'dbl'; i--; }
        break;
      case 'dblEnd':
        if (isSpace(c) || c === '/' || c === '>') state = name === 'script' ? 'esc' : 'dbl';
        else if (isAlpha(c)) name += c.toLowerCase();
        else { state = 'dbl'; i--; }
        break;
    }
  }
  return [text.length, text.length];
}

// Outside scripts our test pages hold plain tags only, so a start tag is found by its name.
function viaBrowserRules(text) {
  const scripts = [];
  const start = /<script(?=[\t\n\f />])[^>]*>/gi;
  let m;
  while ((m = start.exec(text)) !== null) {
    const from = m.index + m[0].length;
    const [end, after] = scriptDataEnd(text, from);
    scripts.push(text.slice(from, end));
    start.lastIndex = after;
  }
  return scripts;
}

function run(code) {
  const calls = [];
  const context = vm.createContext({
    alert: (m) => { calls.push(['alert', m]); },
    confirm: (m) => { calls.push(['confirm', m]); return true; },
    prompt: (m, d) => { calls.push(['prompt', m, d]); return d; },
  });
  try {
    new vm.Script(code).runInContext(context, { timeout: 5000 });
  } catch (e) {
    return { error: String(e && e.message) };
  }
  return calls;
}

const results = process.argv.slice(2).map((file) => {
  const page = fs.readFileSync(file, 'utf8').replace(/\r\n?/g, '\n');
  const browser = viaBrowserRules(page);
  return { htmlparser2: viaHtmlparser2(page), browser, runs: browser.map(run) };
});
process.stdout.write(JSON.stringify(results));
