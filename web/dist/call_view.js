// One call as the page shows it. Everything a caller or the terminal sent is set as text
// (textContent), never parsed as markup.

export function element(tag, className, text) {
  const made = document.createElement(tag);
  if (className) made.className = className;
  if (text !== undefined && text !== null) made.textContent = String(text);
  return made;
}

const pad = (value) => String(value).padStart(2, '0');

// The browser's local day of a moment, "2026-03-05".
export const localDay = (at) => `${at.getFullYear()}-${pad(at.getMonth() + 1)}-${pad(at.getDate())}`;

// "2026-03-05 09:07": the terminal's time as the gateway logged it (its local time), or the
// moment of reception in the browser's time when the terminal's fields were no date.
export function callTime(call) {
  if (call.time) return `${call.time.slice(0, 10)} ${call.time.slice(11, 16)}`;
  const received = new Date(call.received);
  return `${localDay(received)} ${pad(received.getHours())}:${pad(received.getMinutes())}`;
}

export const callerName = (call) => call.name || call.number || 'unknown';

// The type word as a badge; BLACK (a number on the blocked list) as a warning.
export function typeBadge(type) {
  if (!type) return element('span', 'type', '');
  const badge = element('span', type === 'BLACK' ? 'type warn' : 'type', type);
  if (type === 'BLACK') badge.title = 'On the blocked list';
  return badge;
}

// Each output's delivery: delivered (with when) or waiting.
function deliveryBadges(deliveries) {
  const list = element('span', 'deliveries');
  const outputs = Object.keys(deliveries || {}).sort();
  if (outputs.length === 0) list.append(element('span', 'quiet', 'no outputs'));
  for (const output of outputs) {
    const at = deliveries[output];
    const badge = element('span', at ? 'delivery done' : 'delivery waiting',
        `${output} ${at ? '✓' : '…'}`);
    badge.title = at ? `${output}: delivered ${at}` : `${output}: waiting`;
    list.append(badge);
  }
  return list;
}

export function callItem(call) {
  const pending = Object.values(call.deliveries || {}).includes(null);
  const item = element('li', pending ? 'call pending' : 'call');
  item.dataset.id = call.id;
  const when = element('time', 'when', callTime(call));
  if (call.time) when.dateTime = call.time;
  const who = element('span', 'who');
  who.append(element('span', 'name', callerName(call)));
  if (call.name) who.append(element('span', 'number', call.number));
  const kind = element('span', 'kind');
  kind.append(typeBadge(call.type), element('span', 'group', `group ${call.group}`));
  if (call.source === 'memory') kind.append(element('span', 'source', 'from memory'));
  item.append(when, who, kind, deliveryBadges(call.deliveries));
  return item;
}
