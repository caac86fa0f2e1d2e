// Run in the board's page by test_board_page.py (execute_async_script): every text of the page
// and what of it does not come from the table of the page's language (texts.js). The first
// argument is the selector of the elements that show data (names, numbers, times, counts), whose
// text may be anything; the last is the callback.
const [dataSelector, done] = arguments;
import(new URL('texts.js', document.baseURI).href).then(({TEXTS}) => {
  const table = TEXTS[document.documentElement.lang];
  const escape = (text) => text.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
  const patterns = Object.values(table).map((text) =>
    new RegExp(`^${text.split(/\{\w+\}/).map(escape).join('.+')}$`, 's'));
  const fromTable = (text) => patterns.some((pattern) => pattern.test(text));
  const texts = [];
  const data = [];
  const walker = document.createTreeWalker(document.documentElement, NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    const text = node.data.trim();
    if (text) (node.parentElement.closest(dataSelector) ? data : texts).push(text);
  }
  for (const element of document.querySelectorAll('[aria-label], [placeholder], [title]')) {
    for (const name of ['aria-label', 'placeholder', 'title']) {
      if (element.getAttribute(name)) texts.push(element.getAttribute(name));
    }
  }
  done({texts, data, outside: texts.filter((text) => !fromTable(text))});
}, (failure) => done({outside: [String(failure)]}));
