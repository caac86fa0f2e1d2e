// One call as the page shows it. Everything a caller or the terminal sent is set as text
// (textContent), never parsed as markup.

import {shownCallTime, shownMoment} from './formats.js';
import {hasText, say} from './language.js';

export function element(tag, className, text) {
  const made = document.createElement(tag);
  if (className) made.className = className;
  if (text !== undefined && text !== null) made.textContent = String(text);
  return made;
}

const pad = (value) => String(value).padStart(2, '0');

// The browser's local day of a moment, "2026-03-05".
export const localDay = (at) => `${at.getFullYear()}-${pad(at.getMonth() + 1)}-${pad(at.getDate())}`;

// The <time> of a call: as the reader writes dates, with the moment in its attribute.
export function callTime(call) {
  const time = element('time', 'when', shownCallTime(call));
  time.dateTime = call.time || call.received;
  return time;
}

// The terminal's name for the caller, else the contact's, else the number as the gateway shows
// it (docs/numbers.md).
export const callerName = (call) =>
  call.name || call.contact || call.number_shown || say('caller.unknown');

// The type word as a badge, in the page's language (a word the page does not know as it came);
// BLACK (a number on the blocked list) as a warning.
export function typeBadge(type) {
  if (!type) return element('span', 'type', '');
  const known = hasText(`type.${type}`);
  const badge = element('span', type === 'BLACK' ? 'type warn' : 'type',
      known ? say(`type.${type}`) : type);
  badge.dataset.type = type;
  if (type === 'BLACK') badge.title = say('type.BLACK.about');
  return badge;
}

// Each output's delivery: delivered (with when) or waiting.
function deliveryBadges(deliveries) {
  const list = element('span', 'deliveries');
  const outputs = Object.keys(deliveries || {}).sort();
  if (outputs.length === 0) list.append(element('span', 'quiet', say('outputs.none')));
  for (const output of outputs) {
    const at = deliveries[output];
    const badge = element('span', at ? 'delivery done' : 'delivery waiting',
        say(at ? 'delivery.done' : 'delivery.waiting', {output}));
    badge.title = at ? say('delivery.done.about', {output, time: shownMoment(at)}) :
      say('delivery.waiting.about', {output});
    list.append(badge);
  }
  return list;
}

export function callItem(call) {
  const pending = Object.values(call.deliveries || {}).includes(null);
  const item = element('li', pending ? 'call pending' : 'call');
  item.dataset.id = call.id;
  const who = element('span', 'who');
  who.append(element('span', 'name', callerName(call)));
  if (call.name || call.contact) who.append(element('span', 'number', call.number_shown));
  const kind = element('span', 'kind');
  kind.append(typeBadge(call.type), element('span', 'group', say('group', {group: call.group})));
  if (call.source === 'memory') {
    const source = element('span', 'source', say('memory'));
    source.title = say('memory.about');
    kind.append(source);
  }
  item.append(callTime(call), who, kind, deliveryBadges(call.deliveries));
  return item;
}
