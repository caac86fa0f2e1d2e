// The activity charts, drawn as plain SVG: bars with their counts in <title> (shown on hover and
// read by screen readers), sized by the viewBox so that they fit any width. Colours come from
// the style sheet (classes), never from attributes, so that dark mode restyles them.

import {element} from './call_view.js';
import {shownClock, shownDate, shownDay, shownHour} from './formats.js';
import {locale, say} from './language.js';

const SVG = 'http://www.w3.org/2000/svg';
const count = new Intl.NumberFormat(locale);
const WIDTH = 600;
const HEIGHT = 180;
const AXIS = 26;   // room under the bars for the labels
const LEFT = 36;   // room left of the bars for the scale

function svg(tag, attributes, text) {
  const made = document.createElementNS(SVG, tag);
  for (const [name, value] of Object.entries(attributes)) made.setAttribute(name, value);
  if (text !== undefined) made.textContent = text;
  return made;
}

// A scale top that is a round number at or above the largest count.
function scaleTop(largest) {
  if (largest <= 4) return Math.max(largest, 1);
  const step = 10 ** Math.floor(Math.log10(largest));
  for (const factor of [1, 2, 2.5, 5, 10]) {
    if (step * factor >= largest) return step * factor;
  }
  return largest;
}

// bars: [{label, value, title}]; every `labelEvery`-th bar shows its label under it.
function barChart(container, bars, {labelEvery = 1, description}) {
  const chart = svg('svg', {viewBox: `0 0 ${WIDTH} ${HEIGHT}`, role: 'img', class: 'bars'});
  chart.append(svg('title', {}, description));
  const top = scaleTop(Math.max(0, ...bars.map((bar) => bar.value)));
  const plotHeight = HEIGHT - AXIS - 8;
  const slot = (WIDTH - LEFT) / Math.max(bars.length, 1);
  for (const fraction of [0, 0.5, 1]) {
    const y = 8 + plotHeight * (1 - fraction);
    chart.append(svg('line', {x1: LEFT, x2: WIDTH, y1: y, y2: y, class: 'grid'}));
    // The baseline goes without its 0, which would crowd the first label under it.
    const value = top * fraction;
    if (fraction > 0 && (Number.isInteger(value) || fraction === 1)) {
      chart.append(svg('text', {x: LEFT - 4, y: y + 4, class: 'scale'}, count.format(value)));
    }
  }
  bars.forEach((bar, index) => {
    const height = (bar.value / top) * plotHeight;
    const x = LEFT + index * slot;
    const group = svg('g', {class: 'bar'});
    group.append(svg('title', {}, bar.title));
    group.append(svg('rect', {x: x + slot * 0.15, y: 8 + plotHeight - height, width: slot * 0.7,
      height: Math.max(height, bar.value ? 1 : 0)}));
    if (index % labelEvery === 0) {
      group.append(svg('text', {x: x + slot / 2, y: HEIGHT - 6, class: 'label'}, bar.label));
    }
    chart.append(group);
  });
  container.replaceChildren(chart);
}

export function drawDays(container, days) {
  barChart(container, days.map((day) => ({
    label: shownDay(day.date),
    value: day.calls,
    title: say('chart.day', {date: shownDate(day.date), count: day.calls}),
  })), {labelEvery: 7, description: say('chart.days')});
}

export function drawHours(container, hours) {
  barChart(container, hours.map((calls, hour) => ({
    label: shownHour(hour),
    value: calls,
    title: say('chart.hour', {from: shownClock(hour, 0), to: shownClock(hour, 59), count: calls}),
  })), {labelEvery: 3, description: say('chart.hours')});
}

// The top callers as a list: the name (or the number), the number, and a bar for the count.
export function drawTop(list, top) {
  const most = Math.max(1, ...top.map((caller) => caller.calls));
  list.replaceChildren(...top.map((caller) => {
    const item = element('li', 'caller');
    item.append(element('span', 'name', caller.name || caller.number_shown));
    item.append(element('span', 'number', caller.name ? caller.number_shown : ''));
    const bar = svg('svg', {viewBox: '0 0 100 10', preserveAspectRatio: 'none', class: 'meter',
      'aria-hidden': 'true'});
    bar.append(svg('rect', {x: 0, y: 0, height: 10, width: (caller.calls / most) * 100}));
    item.append(bar, element('span', 'count', count.format(caller.calls)));
    return item;
  }));
  if (top.length === 0) list.append(element('li', 'quiet', say('chart.top.empty')));
}
