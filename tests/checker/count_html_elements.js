// Counts, for each HTML file named on the command line, the script elements and the event-handler
// attributes (with a non-empty value) an independent HTML parser finds. One line per file:
// "<path>\t<script elements>\t<event-handler attributes>".
'use strict';
const fs = require('fs');
const { Parser } = require('htmlparser2');

const events = new Set([
  'onblur', 'onchange', 'onclick', 'ondblclick', 'onfocus', 'onkeydown', 'onkeypress', 'onkeyup', 'onload',
  'onmousedown', 'onmouseenter', 'onmousemove', 'onmouseout', 'onmouseover', 'onmouseup', 'onreset',
  'onselect', 'onsubmit', 'onunload', 'onzoom', 'onabort', 'onactivate', 'onafterprint', 'onafterupdate',
  'onbeforecopy', 'onbeforecut', 'onbeforedeactivate', 'onbeforeeditfocus', 'onbeforepaste', 'onbeforeprint',
  'onbeforeunload', 'onbeforeupdate', 'onbounce', 'oncontextmenu', 'oncontrolselect', 'oncopy', 'oncut',
  'ondataavailable', 'ondatasetchanged', 'ondatasetcomplete', 'ondeactivate', 'ondragdrop', 'ondragenter',
  'ondragover', 'ondragstart', 'ondragleave', 'ondrag', 'ondrop', 'onerrorupdate', 'onerror', 'onevent',
  'onfilterchange', 'onfinish', 'onhelp', 'onlosecapture', 'onmove', 'onpaste', 'onpropertychange',
  'onreadystatechange', 'onresize', 'onresizeend', 'onresizestart', 'onrowenter', 'onrowexit', 'onscroll',
  'onselectionchange', 'onselectstart', 'onstart', 'onstop',
]);

for (const file of process.argv.slice(2)) {
  let scripts = 0;
  let handlers = 0;
  const parser = new Parser({
    onopentag(name, attributes) {
      if (name === 'script') scripts++;
      for (const [key, value] of Object.entries(attributes)) {
        if (events.has(key.toLowerCase()) && value.trim() !== '') handlers++;
      }
    },
  }, { decodeEntities: true, lowerCaseAttributeNames: true });
  parser.write(fs.readFileSync(file, 'latin1'));
  parser.end();
  process.stdout.write(`${file}\t${scripts}\t${handlers}\n`);
}
