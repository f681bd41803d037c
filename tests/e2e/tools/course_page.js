// Runs a lesson's course page (index.htm with the scripts beside it) the way a browser opened
// from disk would, over a small document model of its own, and prints the rows of its recordings
// section, one a line: "title | file | link". There is no browser on the test machines; the page's
// markup is plain and well formed, which this reader relies on.
// Usage: node course_page.js <lesson folder>
"use strict";
const fs = require("fs");
const path = require("path");
const vm = require("vm");

const VOID = new Set(["meta", "br", "img", "input", "link", "hr"]);
const RAW = new Set(["script", "style"]);

class Node {
  constructor(tag, attributes) {
    this.tagName = tag;  // null for text
    this.attributes = attributes || new Map();
    this.children = [];
    this.parentNode = null;
    this.text = "";
  }
  get id() { return this.getAttribute("id") || ""; }
  get hidden() { return this.attributes.has("hidden"); }
  set hidden(on) { if (on) this.attributes.set("hidden", ""); else this.attributes.delete("hidden"); }
  get textContent() { return this.tagName === null ? this.text : this.children.map((c) => c.textContent).join(""); }
  set textContent(value) { this.children = []; this.appendChild(textNode(String(value))); }
  set innerHTML(value) { this.textContent = value; }
  getAttribute(name) { return this.attributes.has(name) ? this.attributes.get(name) : null; }
  setAttribute(name, value) { this.attributes.set(name, String(value)); }
  removeAttribute(name) { this.attributes.delete(name); }
  appendChild(child) { return this.insertBefore(child, null); }
  insertBefore(child, before) {
    if (child.parentNode) child.parentNode.removeChild(child);
    const at = before ? this.children.indexOf(before) : this.children.length;
    this.children.splice(at < 0 ? this.children.length : at, 0, child);
    child.parentNode = this;
    return child;
  }
  removeChild(child) {
    this.children.splice(this.children.indexOf(child), 1);
    child.parentNode = null;
    return child;
  }
  get nextElementSibling() {
    const siblings = this.parentNode.children;
    for (let i = siblings.indexOf(this) + 1; i < siblings.length; i++) if (siblings[i].tagName) return siblings[i];
    return null;
  }
  cloneNode(deep) {
    const copy = new Node(this.tagName, new Map(this.attributes));
    copy.text = this.text;
    if (deep) for (const child of this.children) copy.appendChild(child.cloneNode(true));
    return copy;
  }
  // Selectors of one simple form: "tag", ".class" or "tag.class".
  matches(selector) {
    if (!this.tagName) return false;
    const [tag, cls] = selector.split(".");
    if (tag && tag !== this.tagName) return false;
    return !cls || (this.getAttribute("class") || "").split(/\s+/).includes(cls);
  }
  querySelectorAll(selector) {
    const found = [];
    const walk = (node) => {
      for (const child of node.children) {
        if (child.matches(selector)) found.push(child);
        walk(child);
      }
    };
    walk(this);
    return found;
  }
  querySelector(selector) { return this.querySelectorAll(selector)[0] || null; }
}

function textNode(text) {
  const node = new Node(null);
  node.text = text;
  return node;
}

function parse(html) {
  const root = new Node("#document");
  let current = root;
  let at = 0;
  while (at < html.length) {
    if (html.startsWith("<!--", at)) { at = html.indexOf("-->", at) + 3; continue; }
    if (html.startsWith("<!", at)) { at = html.indexOf(">", at) + 1; continue; }
    if (html.startsWith("</", at)) {
      const end = html.indexOf(">", at);
      const tag = html.slice(at + 2, end).trim().toLowerCase();
      while (current !== root && current.tagName !== tag) current = current.parentNode;
      if (current !== root) current = current.parentNode;
      at = end + 1;
      continue;
    }
    if (html[at] === "<") {
      const end = html.indexOf(">", at);
      const inside = html.slice(at + 1, end).replace(/\/$/, "");
      const tag = inside.split(/\s/)[0].toLowerCase();
      const attributes = new Map();
      const pattern = /([\w-]+)(?:="([^"]*)")?/g;
      let m;
      pattern.lastIndex = tag.length;
      while ((m = pattern.exec(inside)) !== null) attributes.set(m[1], m[2] === undefined ? "" : m[2]);
      const element = current.appendChild(new Node(tag, attributes));
      at = end + 1;
      if (RAW.has(tag)) {
        const close = html.indexOf("</" + tag, at);
        element.appendChild(textNode(html.slice(at, close)));
        at = html.indexOf(">", close) + 1;
      } else if (!VOID.has(tag)) {
        current = element;
      }
      continue;
    }
    const next = html.indexOf("<", at);
    const stop = next < 0 ? html.length : next;
    current.appendChild(textNode(html.slice(at, stop)));
    at = stop;
  }
  return root;
}

const lesson = path.resolve(process.argv[2]);
const root = parse(fs.readFileSync(path.join(lesson, "index.htm"), "utf8"));
function findById(node, id) {
  for (const child of node.children) {
    if (child.tagName && child.id === id) return child;
    const found = findById(child, id);
    if (found) return found;
  }
  return null;
}
const document = {
  getElementById: (id) => findById(root, id),
  querySelectorAll: (selector) => root.querySelectorAll(selector),
  querySelector: (selector) => root.querySelector(selector),
  createElement: (tag) => new Node(tag),
};

const context = vm.createContext({
  document,
  location: { pathname: lesson.split(path.sep).join("/") + "/index.htm", protocol: "file:" },
  window: {},
  decodeURIComponent,
});
for (const script of root.querySelectorAll("script")) {
  const src = script.getAttribute("src");
  let code = script.textContent;
  if (src) {
    // A missing script file fails quietly in a browser too; the scripts beside the page are GBK
    // text, but what they hold is ASCII with \u escapes.
    const file = path.join(lesson, src);
    if (!fs.existsSync(file)) continue;
    code = fs.readFileSync(file, "latin1");
  }
  vm.runInContext(code, context, { filename: src || "index.htm" });
}
for (const row of root.querySelectorAll(".recording")) {
  const link = row.querySelector("a");
  console.log([row.querySelector("strong").textContent, row.querySelector("span").textContent,
               link ? link.getAttribute("href") : ""].join(" | "));
}
